#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_lists.h"

namespace vorn {
namespace {

TEST(GenreIndexListTest, SendsACheckedGenreAloneAndStraySubGenresByThemselves) {
    // Genre A (0) with sub-genres 1 and 2, genre B (3) with sub-genre 4, genre C (5) alone.
    const std::vector<GenreNode> tree = {
        {0, -1, " A", "sale-a/g-all"}, {1, 0, " A1", "sale-a/g-1"}, {1, 0, " A2", "sale-a/g-2"},
        {0, -1, " B", "sale-b/g-all"}, {1, 3, " B1", "sale-b/g-1"}, {0, -1, " C", "sale-c/g-all"},
    };
    struct Case {
        const char* name;
        std::vector<bool> checked;
        std::string expected;
    };
    const Case cases[] = {
        {"a genre with all its sub-genres is the genre alone", {1, 1, 1, 0, 0, 0}, "0,"},
        {"a checked genre whose sub-genres are not", {1, 0, 0, 0, 0, 0}, "0,"},
        {"sub-genres under unchecked genres", {0, 0, 1, 0, 1, 0}, "2,4,"},
        {"all sub-genres of an unchecked genre stay separate", {0, 1, 1, 0, 0, 0}, "1,2,"},
        {"a genre without sub-genres and a mixed choice", {1, 1, 1, 0, 1, 1}, "0,4,5,"},
        {"marks shorter than the tree leave the rest unchecked", {0, 0, 0, 1}, "3,"},
        {"nothing checked", {}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildCtgrIndexList(tree, c.checked), c.expected) << c.name;
    }
}

} // namespace
} // namespace vorn
