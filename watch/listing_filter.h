#pragma once

#include <string>
#include <vector>

#include "extract/item_fields.h"
#include "watch/watch_settings.h"

namespace vorn {

// Decides from a listing's fields, read from its page, whether the user's filters leave it out.
// Words are compared after NFKC case folding of both sides, so ｼﾞｬﾝｸ matches ジャンク and ＪＵＮＫ
// matches junk; the words are folded once here, the title and description once per listing.
class ListingFilter {
public:
    explicit ListingFilter(FilterSettings settings);

    // False when no filter is set: every listing passes.
    bool Active() const { return active_; }
    bool Excludes(const ItemFields& fields) const;

private:
    bool ContainsWord(const std::string& fieldCp932) const;

    FilterSettings settings_;
    std::vector<std::string> foldedWords_; // UTF-8
    std::string closed_; // 受付終了 in CP932
    bool active_ = false;
};

} // namespace vorn
