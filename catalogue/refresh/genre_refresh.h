#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue_db.h"
#include "catalogue/refresh/genre_page_parser.h"
#include "catalogue/refresh/refresh_progress.h"
#include "catalogue/refresh/refresh_site.h"

namespace vorn {

struct GenreRefreshReport {
    struct Genre {
        int ctgrId = 0;
        std::string code;       // the site's word, e.g. fur
        std::string pageUrl;
        bool topStored = false; // the genre's own row (CtgrSubID 0)
        bool fetched = false;   // the page was served and read; otherwise no sub-genre was stored
        std::vector<ParsedSubGenre> subGenres; // the rows stored, in CtgrSubID order
        int subGenresLost = 0;                 // rows the database refused
    };
    std::vector<Genre> genres; // CtgrID 1 to 20 in order, up to where a stop came
    bool stopped = false;      // the progress asked to stop before every page was read

    // Genres whose sub-genres were not read because the page was not served.
    std::vector<int> SkippedCtgrIds() const;
    int SubGenresStored() const;
    // Rows the database refused: sub-genres and the genres' own rows.
    int RowsLost() const;
};

// Rebuilds T10_CTGR: each top genre's own row, then the sub-genres on its nationwide sale page.
// A statement other than an insert that fails throws DbError and leaves the genres done so far.
// The closing message is the caller's.
GenreRefreshReport RefreshGenres(CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress);

} // namespace vorn
