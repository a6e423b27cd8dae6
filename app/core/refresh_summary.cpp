#include "app/core/refresh_summary.h"

#include <vector>

#include "catalogue/catalogue_lists.h"
#include "catalogue/refresh/top_genres.h"
#include "web/cp932.h"

namespace vorn {

namespace {

// "完了" or "終了", then the pages that were not read after the sentence that says why (their
// names joined by the ideographic comma), then the rows the database refused.
template <typename Report>
std::string RefreshMessage(const Report& report, const char* closingUtf8, const char* skippedSentenceUtf8,
                           std::string (*nameOf)(int id), const char* rowsUtf8) {
    std::string message = UTF8ToAnsi(closingUtf8);
    const std::vector<int> skipped = report.SkippedIds();
    if (!skipped.empty()) {
        message += UTF8ToAnsi(std::string("\n\n") + skippedSentenceUtf8 + "\n");
        for (std::size_t i = 0; i < skipped.size(); ++i) {
            message += (i == 0 ? std::string() : UTF8ToAnsi("、")) + nameOf(skipped[i]);
        }
    }
    if (const int lost = report.RowsLost(); lost != 0) {
        message += UTF8ToAnsi(std::string("\n\n登録できなかった") + rowsUtf8 + ": " + std::to_string(lost) + "件");
    }
    return message;
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
    return RefreshMessage(report, "完了", "次の都道府県はページを取得できなかったため、市区町村を登録していません。",
                          PrefectureName, "市区町村");
}

std::string GenreRefreshMessage(const GenreRefreshReport& report) {
    return RefreshMessage(report, "終了",
                          "次のジャンルはページを取得できなかったため、サブジャンルを登録していません。", TopGenreName,
                          "ジャンル");
}

} // namespace vorn
