#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/saved_conditions.h"
#include "catalogue/catalogue_db.h"
#include "catalogue/catalogue_lists.h"
#include "crawl/crawl_selection.h"

namespace vorn {

inline constexpr int kPrefectureCount = 47;
// Where the window adds "\" on Windows.
inline constexpr char kFolderSeparator = '/';

// cmbArea's item for a saved Areasel: 1..47 lists that prefecture's cities; 0, a negative value
// or one above 47 keeps the prefectures.
int AreaComboIndexFor(int areasel);

// Check marks restored by position from a saved "1"/"0" string onto count items. all is true
// when the string is not empty and every item got a "1" (the window then checks its all-items
// box), also when there are no items.
struct RestoredMarks {
    std::vector<bool> checked;
    bool all = false;
};
RestoredMarks RestoreMarks(std::string_view saved, std::size_t count);

// The genre list of a run: every checked node's absolute index followed by ",", in tree order;
// a checked sub-genre under a checked genre is left out, since the genre's search covers it.
std::string BuildCtgrIndexList(const std::vector<GenreNode>& nodes, const std::vector<bool>& checked);

// The selection the window shows once the saved conditions are restored onto these lists.
// areaTexts are the items of the area list for AreaComboIndexFor(saved.areasel). csvFileName is
// left empty; imageDir is ImageFolderPath(saved.imageDir) when images are to be saved.
CrawlSelection SelectionFromSaved(const SavedConditions& saved, std::vector<GenreNode> genreNodes,
                                  std::vector<std::string> areaTexts);
// The same with the lists read from the catalogue: the genre tree, and the cities of the saved
// prefecture. In prefecture mode the list holds the window's own 47 names, which it shows
// without reading the catalogue. Throws DbError.
CrawlSelection SelectionFromSaved(const SavedConditions& saved, CatalogueDb& db);

// The Start checks, in the window's order: at least one area, at least one genre, and with
// images on a folder given and present. The window's refusal (CP932), empty when a run may start.
std::string StartRefusal(const std::vector<bool>& areaChecked, std::string_view ctgrIndexList, bool saveImages,
                         std::string_view imageDirText);
std::string StartRefusal(const CrawlSelection& selection, std::string_view imageDirText);

// The folder edit's text after a passed check: trimmed with the separator added when the trimmed
// text lacks one; a text whose trimmed form already ends with it stays as typed.
std::string ImageDirTextAfterCheck(std::string_view imageDirText);
// The folder as a path (UTF-8): the trimmed text with a trailing separator; empty for a blank text.
std::filesystem::path ImageFolderPath(std::string_view imageDirText);

} // namespace vorn
