#pragma once

#include <string>

#include "catalogue/catalogue_db.h"
#include "catalogue/refresh/genre_page_parser.h"
#include "catalogue/refresh/refresh_progress.h"
#include "catalogue/refresh/refresh_report.h"
#include "catalogue/refresh/refresh_site.h"

namespace vorn {

// A top genre's nationwide sale page and the sub-genres stored from it, in CtgrSubID order.
struct GenrePage : RefreshedPage<ParsedSubGenre> {
    std::string code;       // the site's word, e.g. fur
    bool topStored = false; // the genre's own row (CtgrSubID 0)

    // Sub-genres the database refused, and the genre's own row.
    int LostRows() const { return rowsLost + (topStored ? 0 : 1); }
};
using GenreRefreshReport = RefreshReport<GenrePage>;

// Rebuilds T10_CTGR: each top genre's own row, then the sub-genres on its nationwide sale page.
// A statement other than an insert that fails throws DbError and leaves the genres done so far.
// The closing message is the caller's.
GenreRefreshReport RefreshGenres(CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress);

} // namespace vorn
