#include "app/core/run_conditions.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include <unistd.h>

#include "app/core/messages.h"
#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

int AreaComboIndexFor(int areasel) { return (areasel >= 1 && areasel <= kPrefectureCount) ? areasel : 0; }

RestoredMarks RestoreMarks(std::string_view saved, std::size_t count) {
    RestoredMarks marks;
    marks.checked.assign(count, false);
    if (saved.empty()) {
        return marks;
    }
    bool everyOne = true;
    for (std::size_t i = 0; i < count; ++i) {
        marks.checked[i] = i < saved.size() && saved[i] == '1';
        everyOne = everyOne && marks.checked[i];
    }
    marks.all = everyOne;
    return marks;
}

CrawlSelection SelectionFromSaved(const SavedConditions& saved, std::vector<GenreNode> genreNodes,
                                  std::vector<std::string> areaTexts) {
    CrawlSelection selection;
    selection.keyword = saved.word;

    selection.areaComboIndex = AreaComboIndexFor(saved.areasel);
    selection.areaComboText = PrefectureComboItems().at(static_cast<std::size_t>(selection.areaComboIndex));
    const RestoredMarks areas = RestoreMarks(saved.arealist, areaTexts.size());
    selection.areaTexts = std::move(areaTexts);
    selection.areaChecked = areas.checked;
    selection.allAreas = areas.all;

    // With every node "1" the all-genres box is checked and its handler checks every node.
    const RestoredMarks genres = RestoreMarks(saved.ctgrlist, genreNodes.size());
    selection.allGenres = genres.all;
    selection.ctgrIndexList = BuildCtgrIndexList(genreNodes, genres.checked);
    selection.genreNodes = std::move(genreNodes);

    selection.saveImages = saved.checkImage;
    if (selection.saveImages) {
        selection.imageDir = ImageFolderPath(AnsiToUtf8(saved.imageDir));
    }
    return selection;
}

CrawlSelection SelectionFromSaved(const SavedConditions& saved, CatalogueDb& db) {
    const int comboIndex = AreaComboIndexFor(saved.areasel);
    std::vector<std::string> areaTexts;
    if (comboIndex > 0) {
        areaTexts = LoadAreaNames(db, comboIndex);
    } else {
        const auto& combo = PrefectureComboItems();
        areaTexts.assign(combo.begin() + 1, combo.end());
    }
    return SelectionFromSaved(saved, LoadGenreNodes(db), std::move(areaTexts));
}

std::string StartRefusal(const std::vector<bool>& areaChecked, std::string_view ctgrIndexList, bool saveImages,
                         std::string_view imageDirText) {
    if (std::none_of(areaChecked.begin(), areaChecked.end(), [](bool checked) { return checked; })) {
        return msg::NoArea();
    }
    if (ctgrIndexList.empty()) {
        return msg::NoGenre();
    }
    if (saveImages) {
        const std::filesystem::path folder = ImageFolderPath(imageDirText);
        if (folder.empty()) {
            return msg::NoImageFolder();
        }
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) {
            return msg::ImageFolderMissing();
        }
    }
    return {};
}

std::string WithFolderSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kFolderSeparator) {
        folder += kFolderSeparator;
    }
    return folder;
}

std::string ImageDirTextAfterCheck(std::string_view imageDirText) {
    const std::string trimmed = Trim(imageDirText);
    if (!trimmed.empty() && trimmed.back() == kFolderSeparator) {
        return std::string(imageDirText);
    }
    return trimmed + kFolderSeparator;
}

std::filesystem::path ImageFolderPath(std::string_view imageDirText) {
    const std::string trimmed = Trim(imageDirText);
    if (trimmed.empty()) {
        return {};
    }
    return std::filesystem::path(WithFolderSeparator(trimmed));
}

bool RemoveOldOutput(const std::filesystem::path& csvFile) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(csvFile, error);
    if (!std::filesystem::exists(status)) {
        return true;
    }
    return !std::filesystem::is_directory(status) && std::filesystem::remove(csvFile, error) && !error;
}

bool OutputWaitsForFirstRow(WriteMode mode) { return mode != WriteMode::All; }

bool PrepareOutput(const std::filesystem::path& file, WriteMode mode, bool workbook) {
    if (!workbook && !OutputWaitsForFirstRow(mode)) {
        return RemoveOldOutput(file);
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status)) {
        return true;
    }
    return std::filesystem::is_regular_file(status) && ::access(file.c_str(), W_OK) == 0;
}

} // namespace vorn
