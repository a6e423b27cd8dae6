#include "watch/listing_filter.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

#include <unicode/bytestream.h>
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

// The text (UTF-8) NFKC case folded, in UTF-8: no conversion to UTF-16 and back, and the words
// are then found with a plain byte search (UTF-8 never matches inside another character).
std::string FoldForMatching(const std::string& utf8) {
    static const icu::Normalizer2& fold = FoldingNormalizer();
    std::string folded;
    folded.reserve(utf8.size());
    icu::StringByteSink<std::string> sink(&folded);
    UErrorCode error = U_ZERO_ERROR;
    fold.normalizeUTF8(0, utf8, sink, nullptr, error);
    return U_FAILURE(error) ? utf8 : folded;
}

} // namespace

ListingFilter::ListingFilter(FilterSettings settings)
    : settings_(std::move(settings)), closed_(UTF8ToAnsi("受付終了")), active_(settings_.Any()) {
    for (const std::string& word : settings_.excludeWords) {
        std::string folded = FoldForMatching(AnsiToUtf8(word));
        // A word that folds to nothing (a lone ignorable mark) would match every listing.
        if (!folded.empty()) {
            foldedWords_.push_back(std::move(folded));
        }
    }
}

bool ListingFilter::ContainsWord(const std::string& fieldCp932) const {
    if (fieldCp932.empty()) {
        return false;
    }
    const std::string field = FoldForMatching(AnsiToUtf8(fieldCp932));
    // Most Japanese characters begin with the same byte, so a search by first byte would compare
    // at nearly every character; Horspool's skips by the word's length.
    return std::any_of(foldedWords_.begin(), foldedWords_.end(), [&field](const std::string& word) {
        return std::search(field.begin(), field.end(), std::boyer_moore_horspool_searcher(word.begin(), word.end())) !=
               field.end();
    });
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
