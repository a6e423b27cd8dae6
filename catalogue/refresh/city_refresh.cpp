#include "catalogue/refresh/city_refresh.h"

#include <cstdint>

#include "catalogue/refresh/city_page_parser.h"
#include "catalogue/statements.h"
#include "web/cp932.h"

namespace vorn {

namespace {

constexpr int kPrefectureCount = 47;

std::string PrefecturePageUrl(CatalogueDb& db, const RefreshSite& site, int areaId) {
    std::string url;
    DbRows rows = db.OpenRows(sql::kSelectAreaAlphaForRefresh, {std::int64_t{areaId}});
    if (!rows.AtEnd()) {
        url = CataloguePageUrl(site, rows.Text("AreaAlpha") + "/sale");
    }
    return url;
}

void StoreCities(CatalogueDb& db, const std::vector<std::string>& lines, CityPage& prefecture) {
    for (ParsedCity& city : ParseCityPage(lines)) {
        try {
            db.Execute(sql::kInsertCity,
                       {std::int64_t{prefecture.id}, std::int64_t{city.cityId}, city.code, city.name});
            prefecture.rows.push_back(std::move(city));
        } catch (const DbError&) {
            // One lost city leaves a gap in the numbering; the rest of the page still counts.
            ++prefecture.rowsLost;
        }
    }
}

} // namespace

CityRefreshReport RefreshCities(CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
    std::vector<std::string> lines;
    db.Execute(sql::kDeleteCities);
    return RefreshPages<CityPage>(progress, kPrefectureCount, UTF8ToAnsi("都道府県 "), [&](int areaId) {
        CityPage prefecture;
        prefecture.id = areaId;
        prefecture.pageUrl = PrefecturePageUrl(db, site, areaId);
        if (!prefecture.pageUrl.empty()) {
            prefecture.fetched = FetchCataloguePage(site, prefecture.pageUrl, lines);
            if (prefecture.fetched) {
                StoreCities(db, lines, prefecture);
            }
        }
        return prefecture;
    });
}

} // namespace vorn
