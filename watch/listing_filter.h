#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "extract/item_fields.h"
#include "extract/listing_text.h"
#include "watch/watch_settings.h"

namespace vorn {

// A word or poster (UTF-8) without the blanks around it, the full-width space among them.
std::string TrimFilterText(std::string_view utf8);

// Decides from a listing's fields, read from its page, whether the user's filters leave it out.
// Words and posters are compared after NFKC case folding of both sides, so ｼﾞｬﾝｸ matches ジャンク
// and ＪＵＮＫ matches junk; they are folded once here, the listing's texts once per listing.
class ListingFilter {
public:
    explicit ListingFilter(FilterSettings settings);

    // False when no filter is set: every listing passes.
    bool Active() const { return active_; }
    // True when the filter reads the listing's texts, not only its price and reception.
    bool ReadsText() const { return !foldedWords_.empty() || !foldedPosters_.empty(); }
    bool Excludes(const ItemFields& fields, const ListingText& text) const;

private:
    bool ContainsWord(const std::string& fieldUtf8) const;

    FilterSettings settings_;
    std::vector<std::string> foldedWords_;   // UTF-8
    std::vector<std::string> foldedPosters_; // UTF-8
    std::string closed_;                     // 受付終了 in CP932
    bool active_ = false;
};

} // namespace vorn
