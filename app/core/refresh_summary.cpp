#include "app/core/refresh_summary.h"

#include <vector>

#include "catalogue/catalogue_lists.h"
#include "catalogue/refresh/top_genres.h"
#include "web/cp932.h"

namespace vorn {

namespace {

// The skipped names after the sentence that says why, joined by the ideographic comma.
std::string SkippedPart(const std::string& sentenceUtf8, const std::vector<std::string>& namesCp932) {
    if (namesCp932.empty()) {
        return {};
    }
    std::string part = UTF8ToAnsi("\n\n" + sentenceUtf8 + "\n");
    for (std::size_t i = 0; i < namesCp932.size(); ++i) {
        part += (i == 0 ? std::string() : UTF8ToAnsi("、")) + namesCp932[i];
    }
    return part;
}

std::string LostPart(const std::string& whatUtf8, int lost) {
    if (lost == 0) {
        return {};
    }
    return UTF8ToAnsi("\n\n登録できなかった" + whatUtf8 + ": " + std::to_string(lost) + "件");
}

} // namespace

std::string PrefectureName(int areaId) {
    const std::vector<std::string>& items = PrefectureComboItems();
    return areaId >= 1 && areaId < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(areaId)]
                                                                  : std::to_string(areaId);
}

std::string TopGenreName(int ctgrId) {
    const std::vector<TopGenre>& genres = TopGenres();
    return ctgrId >= 1 && ctgrId <= static_cast<int>(genres.size()) ? genres[static_cast<std::size_t>(ctgrId - 1)].name
                                                                     : std::to_string(ctgrId);
}

std::string CityRefreshMessage(const CityRefreshReport& report) {
    std::vector<std::string> skipped;
    for (const int areaId : report.SkippedAreaIds()) {
        skipped.push_back(PrefectureName(areaId));
    }
    return UTF8ToAnsi("完了") +
           SkippedPart("次の都道府県はページを取得できなかったため、市区町村を登録していません。", skipped) +
           LostPart("市区町村", report.CitiesLost());
}

std::string GenreRefreshMessage(const GenreRefreshReport& report) {
    std::vector<std::string> skipped;
    for (const int ctgrId : report.SkippedCtgrIds()) {
        skipped.push_back(TopGenreName(ctgrId));
    }
    return UTF8ToAnsi("終了") +
           SkippedPart("次のジャンルはページを取得できなかったため、サブジャンルを登録していません。", skipped) +
           LostPart("ジャンル", report.RowsLost());
}

} // namespace vorn
