#pragma once

#include <string>
#include <vector>

namespace vorn {

// One of the site's 20 top genres; its position from 1 is its CtgrID.
struct TopGenre {
    std::string code; // the site's word, e.g. fur
    std::string name; // display name (CP932), e.g. 家具
};

const std::vector<TopGenre>& TopGenres();

} // namespace vorn
