#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue_db.h"
#include "catalogue/refresh/city_page_parser.h"
#include "catalogue/refresh/refresh_progress.h"
#include "catalogue/refresh/refresh_site.h"

namespace vorn {

struct CityRefreshReport {
    struct Prefecture {
        int areaId = 0;
        std::string pageUrl;  // empty when T01_AREA has no row for the prefecture
        bool fetched = false; // the page was served and read; otherwise nothing was stored for it
        std::vector<ParsedCity> cities; // the rows stored, in CityID order
        int citiesLost = 0;             // rows the database refused
    };
    std::vector<Prefecture> prefectures; // AreaID 1 to 47 in order, up to where a stop came
    bool stopped = false;                // the progress asked to stop before every page was read

    // Prefectures whose cities were not read: no catalogue row, or the page was not served.
    std::vector<int> SkippedAreaIds() const;
    int CitiesStored() const;
    int CitiesLost() const;
};

// Rebuilds T02_CITY from the 47 prefectures' sale pages. A statement other than an insert that
// fails throws DbError and leaves the table with the prefectures done so far. The closing
// message is the caller's.
CityRefreshReport RefreshCities(CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress);

} // namespace vorn
