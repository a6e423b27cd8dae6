#include "catalogue/refresh/city_refresh.h"

#include <cstdint>

#include "catalogue/refresh/city_page_parser.h"
#include "catalogue/statements.h"
#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

constexpr int kPrefectureCount = 47;

std::string StatusText(int position, int maximum) {
    return UTF8ToAnsi("都道府県 ") + ProgressCountText(position, maximum);
}

std::string PrefecturePageUrl(CatalogueDb& db, const RefreshSite& site, int areaId) {
    std::string url;
    DbRows rows = db.OpenRows(sql::kSelectAreaAlphaForRefresh, {std::int64_t{areaId}});
    if (!rows.AtEnd()) {
        url = CataloguePageUrl(site, rows.Text("AreaAlpha") + "/sale");
    }
    return url;
}

void StoreCities(CatalogueDb& db, const std::vector<std::string>& lines, CityRefreshReport::Prefecture& prefecture) {
    for (ParsedCity& city : ParseCityPage(lines)) {
        try {
            db.Execute(sql::kInsertCity,
                       {std::int64_t{prefecture.areaId}, std::int64_t{city.cityId}, city.code, city.name});
            prefecture.cities.push_back(std::move(city));
        } catch (const DbError&) {
            // One lost city leaves a gap in the numbering; the rest of the page still counts.
            ++prefecture.citiesLost;
        }
    }
}

} // namespace

std::vector<int> CityRefreshReport::SkippedAreaIds() const {
    std::vector<int> skipped;
    for (const Prefecture& prefecture : prefectures) {
        if (!prefecture.fetched) {
            skipped.push_back(prefecture.areaId);
        }
    }
    return skipped;
}

int CityRefreshReport::CitiesStored() const {
    int total = 0;
    for (const Prefecture& prefecture : prefectures) {
        total += static_cast<int>(prefecture.cities.size());
    }
    return total;
}

int CityRefreshReport::CitiesLost() const {
    int total = 0;
    for (const Prefecture& prefecture : prefectures) {
        total += prefecture.citiesLost;
    }
    return total;
}

CityRefreshReport RefreshCities(CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
    CityRefreshReport report;
    std::vector<std::string> lines;
    db.Execute(sql::kDeleteCities);
    progress.Init(kPrefectureCount);
    for (int areaId = 1; areaId <= kPrefectureCount; ++areaId) {
        if (progress.StopRequested()) {
            report.stopped = true;
            break;
        }
        CityRefreshReport::Prefecture prefecture;
        prefecture.areaId = areaId;
        prefecture.pageUrl = PrefecturePageUrl(db, site, areaId);
        if (!prefecture.pageUrl.empty()) {
            prefecture.fetched = FetchCataloguePage(site, prefecture.pageUrl, lines);
            if (prefecture.fetched) {
                StoreCities(db, lines, prefecture);
            }
        }
        report.prefectures.push_back(std::move(prefecture));
        progress.ProcessPendingEvents();
        progress.Step(areaId, kPrefectureCount, StatusText(areaId, kPrefectureCount));
    }
    return report;
}

} // namespace vorn
