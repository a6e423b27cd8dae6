#pragma once

#include <string>

namespace vorn {

// A listing's texts that a filter reads, in UTF-8 as the site wrote them: code page 932 would
// make 〜 or é another character and an emoji a "?" that any question mark matches.
struct ListingText {
    std::string title;
    std::string description;
    std::string posterName;
};

} // namespace vorn
