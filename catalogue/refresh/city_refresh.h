#pragma once

#include "catalogue/catalogue_db.h"
#include "catalogue/refresh/city_page_parser.h"
#include "catalogue/refresh/refresh_progress.h"
#include "catalogue/refresh/refresh_report.h"
#include "catalogue/refresh/refresh_site.h"

namespace vorn {

// A prefecture's sale page and the cities stored from it, in CityID order.
using CityPage = RefreshedPage<ParsedCity>;
using CityRefreshReport = RefreshReport<CityPage>;

// Rebuilds T02_CITY from the 47 prefectures' sale pages. A statement other than an insert that
// fails throws DbError and leaves the table with the prefectures done so far. The closing
// message is the caller's.
CityRefreshReport RefreshCities(CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress);

} // namespace vorn
