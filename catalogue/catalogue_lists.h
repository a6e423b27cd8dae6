#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue_db.h"

namespace vorn {

// One node of the genre tree in tree order: level 0 a genre, level 1 a sub-genre.
struct GenreNode {
    int level = 0;
    int parent = -1;       // absolute index of the parent node, -1 for a genre
    std::string text;      // " " + CtgrName (CP932)
    std::string code;      // CtgrCode, e.g. sale-fur/g-all
};

// The genre tree's nodes from T10_CTGR: the first row of each CtgrID is the genre, the rest
// its sub-genres, in CtgrID, CtgrSubID order.
std::vector<GenreNode> LoadGenreNodes(CatalogueDb& db);

// The genre list of a run: every checked node's absolute index followed by ",", in tree order;
// a checked sub-genre under a checked genre is left out, since the genre's search covers it.
std::string BuildCtgrIndexList(const std::vector<GenreNode>& nodes, const std::vector<bool>& checked);

// The area list for the combo's item: index 0 the 47 prefectures, k the cities of prefecture k.
std::vector<std::string> LoadAreaNames(CatalogueDb& db, int comboIndex);

// The 48 fixed items of the prefecture combo (CP932): item 0 "（全都道府県）", then AreaID 1..47.
const std::vector<std::string>& PrefectureComboItems();

// The area part of a search path for list item areaIndex (0-based): the prefecture's AreaAlpha
// when comboIndex is 0, otherwise AreaAlpha + "," + CityCode of that city. Empty when the
// catalogue has no row.
std::string LookUpAreaPath(CatalogueDb& db, int areaIndex, int comboIndex);

} // namespace vorn
