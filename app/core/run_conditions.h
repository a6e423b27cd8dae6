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
#include "watch/watch_settings.h"

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

// The selection the window shows once the saved conditions are restored onto these lists.
// areaTexts are the items of the area list for AreaComboIndexFor(saved.areasel). csvFileName is
// left empty; imageDir is the saved folder's path when images are to be saved.
CrawlSelection SelectionFromSaved(const SavedConditions& saved, std::vector<GenreNode> genreNodes,
                                  std::vector<std::string> areaTexts);
// The same with the lists read from the catalogue: the genre tree, and the cities of the saved
// prefecture. In prefecture mode the list holds the window's own 47 names, which it shows
// without reading the catalogue. Throws DbError.
CrawlSelection SelectionFromSaved(const SavedConditions& saved, CatalogueDb& db);

// The Start checks, in the window's order: at least one area, at least one genre, and with
// images on a folder given and present. imageDirText is the folder edit's text in the file
// system's encoding (UTF-8). The refusal (CP932), empty when a run may start.
std::string StartRefusal(const std::vector<bool>& areaChecked, std::string_view ctgrIndexList, bool saveImages,
                         std::string_view imageDirText);

// The folder's text with the separator at its end.
std::string WithFolderSeparator(std::string folder);
// The folder edit's text after a passed check: trimmed with the separator added when the trimmed
// text lacks one; a text whose trimmed form already ends with it stays as typed.
std::string ImageDirTextAfterCheck(std::string_view imageDirText);
// The folder as a path: the trimmed text (UTF-8) with a trailing separator; empty for a blank text.
std::filesystem::path ImageFolderPath(std::string_view imageDirText);

// Removes an older file where the run's CSV is to go. False when something stays there: a
// folder of that name (never removed in place of a file) or a file that cannot be removed.
bool RemoveOldOutput(const std::filesystem::path& csvFile);
// The default mode removes an older CSV at Start; the new-only and changes-only modes keep it
// until their first row, so a day with nothing new leaves yesterday's file as it was.
bool OutputWaitsForFirstRow(WriteMode mode);
// Makes way for the run's output: an older CSV of the default mode goes now (RemoveOldOutput);
// one of the other modes, and an older workbook, stay until the new file takes their place, so a
// run that writes nothing, or cannot finish a workbook, leaves them as they were. False when the
// file could not be replaced.
bool PrepareOutput(const std::filesystem::path& file, WriteMode mode, bool workbook);

} // namespace vorn
