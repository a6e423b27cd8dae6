#include "watch/listing_filter.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

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

bool IsBlank(UChar32 c) { return c <= 0x20 || u_isUWhiteSpace(c); }

void FoldAll(const std::vector<std::string>& texts, std::vector<std::string>& folded) {
    for (const std::string& text : texts) {
        std::string one = FoldForMatching(TrimFilterText(text));
        // A word that folds to nothing (a lone ignorable mark) would match every listing.
        if (!one.empty()) {
            folded.push_back(std::move(one));
        }
    }
}

} // namespace

std::string TrimFilterText(std::string_view utf8) {
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(utf8.data(), next, length, c);
        if (c < 0 || !IsBlank(c)) {
            break;
        }
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(utf8.data(), start, previous, c);
        if (c < 0 || !IsBlank(c)) {
            break;
        }
        end = previous;
    }
    return std::string(utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

ListingFilter::ListingFilter(FilterSettings settings)
    : settings_(std::move(settings)), closed_(UTF8ToAnsi("受付終了")), active_(settings_.Any()) {
    FoldAll(settings_.excludeWords, foldedWords_);
    FoldAll(settings_.excludePosters, foldedPosters_);
}

bool ListingFilter::ContainsWord(const std::string& fieldUtf8) const {
    if (fieldUtf8.empty()) {
        return false;
    }
    const std::string field = FoldForMatching(fieldUtf8);
    // Most Japanese characters begin with the same byte, so a search by first byte would compare
    // at nearly every character; Horspool's skips by the word's length.
    return std::any_of(foldedWords_.begin(), foldedWords_.end(), [&field](const std::string& word) {
        return std::search(field.begin(), field.end(), std::boyer_moore_horspool_searcher(word.begin(), word.end())) !=
               field.end();
    });
}

bool ListingFilter::Excludes(const ItemFields& fields, const ListingText& text) const {
    if (!active_) {
        return false;
    }
    if (settings_.openOnly && fields[kReception] == closed_) {
        return true;
    }
    if (!foldedPosters_.empty()) {
        // The profile address is ASCII and compared as it is; the name as a word is.
        const std::string name = FoldForMatching(text.posterName);
        const auto& posters = settings_.excludePosters;
        if (std::any_of(posters.begin(), posters.end(),
                        [&](const std::string& poster) { return TrimFilterText(poster) == fields[kProfileUrl]; }) ||
            (!name.empty() && std::find(foldedPosters_.begin(), foldedPosters_.end(), name) != foldedPosters_.end())) {
            return true;
        }
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
    return !foldedWords_.empty() && (ContainsWord(text.title) || ContainsWord(text.description));
}

} // namespace vorn
