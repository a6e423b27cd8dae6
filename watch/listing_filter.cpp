#include "watch/listing_filter.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include <unicode/normalizer2.h>

#include "watch/price.h"
#include "web/cp932.h"

namespace vorn {

namespace {

const icu::Normalizer2& FoldingNormalizer() {
    UErrorCode error = U_ZERO_ERROR;
    const icu::Normalizer2* fold = icu::Normalizer2::getNFKCCasefoldInstance(error);
    if (U_FAILURE(error) || fold == nullptr) {
        // The data is built into ICU's common library: only a broken installation lacks it.
        throw std::runtime_error("ICU's NFKC case folding is not available");
    }
    return *fold;
}

// The text (UTF-8) NFKC case folded.
icu::UnicodeString FoldForMatching(const std::string& utf8) {
    static const icu::Normalizer2& fold = FoldingNormalizer();
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    UErrorCode error = U_ZERO_ERROR;
    // Most of a listing is already folded (kanji, hiragana, full-width katakana): only the rest
    // after the first span that needs no change is normalized.
    const int32_t stable = fold.spanQuickCheckYes(text, error);
    if (U_FAILURE(error) || stable == text.length()) {
        return text;
    }
    icu::UnicodeString folded(text, 0, stable);
    fold.normalizeSecondAndAppend(folded, text.tempSubString(stable), error);
    return U_FAILURE(error) ? text : folded;
}

} // namespace

ListingFilter::ListingFilter(FilterSettings settings)
    : settings_(std::move(settings)), closed_(UTF8ToAnsi("受付終了")), active_(settings_.Any()) {
    for (const std::string& word : settings_.excludeWords) {
        icu::UnicodeString folded = FoldForMatching(AnsiToUtf8(word));
        // A word that folds to nothing (a lone ignorable mark) would match every listing.
        if (!folded.isEmpty()) {
            foldedWords_.push_back(std::move(folded));
        }
    }
}

bool ListingFilter::ContainsWord(const std::string& fieldCp932) const {
    if (fieldCp932.empty()) {
        return false;
    }
    const icu::UnicodeString field = FoldForMatching(AnsiToUtf8(fieldCp932));
    return std::any_of(foldedWords_.begin(), foldedWords_.end(),
                       [&field](const icu::UnicodeString& word) { return field.indexOf(word) >= 0; });
}

bool ListingFilter::Excludes(const ItemFields& fields) const {
    if (!active_) {
        return false;
    }
    if (settings_.openOnly && fields[kReception] == closed_) {
        return true;
    }
    const auto& posters = settings_.excludePosters;
    if (std::any_of(posters.begin(), posters.end(), [&fields](const std::string& poster) {
            return !poster.empty() && (poster == fields[kProfileUrl] || poster == fields[kPosterName]);
        })) {
        return true;
    }
    if (settings_.minPrice || settings_.maxPrice) {
        // A price without a number (応相談) is kept: the filter cannot tell.
        if (const std::optional<long long> price = PriceNumber(fields[kPrice])) {
            if ((settings_.minPrice && *price < *settings_.minPrice) ||
                (settings_.maxPrice && *price > *settings_.maxPrice)) {
                return true;
            }
        }
    }
    return !foldedWords_.empty() && (ContainsWord(fields[kTitle]) || ContainsWord(fields[kDescription]));
}

} // namespace vorn
