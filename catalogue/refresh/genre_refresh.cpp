#include "catalogue/refresh/genre_refresh.h"

#include <cstdint>

#include "catalogue/refresh/genre_page_parser.h"
#include "catalogue/refresh/top_genres.h"
#include "catalogue/statements.h"
#include "web/cp932.h"

namespace vorn {

namespace {

// An insert that fails is passed over: the row is missing and the work goes on.
bool InsertGenreRow(CatalogueDb& db, int ctgrId, int subId, const std::string& code, const std::string& name) {
    try {
        db.Execute(sql::kInsertGenre, {std::int64_t{ctgrId}, std::int64_t{subId}, code, name});
        return true;
    } catch (const DbError&) {
        return false;
    }
}

} // namespace

GenreRefreshReport RefreshGenres(CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
    std::vector<std::string> lines;
    const std::vector<TopGenre>& topGenres = TopGenres();
    db.Execute(sql::kDeleteGenres);
    const int genreCount = static_cast<int>(topGenres.size());
    return RefreshPages<GenrePage>(progress, genreCount, UTF8ToAnsi("ジャンル - "), [&](int ctgrId) {
        const TopGenre& topGenre = topGenres[static_cast<std::size_t>(ctgrId - 1)];
        GenrePage genre;
        genre.id = ctgrId;
        genre.code = topGenre.code;
        // The genre's own row goes in before its page is fetched, so it is there even without the page.
        genre.topStored = InsertGenreRow(db, ctgrId, 0, "sale-" + topGenre.code + "/g-all", topGenre.name);
        genre.pageUrl = CataloguePageUrl(site, "all/sale-" + topGenre.code);
        genre.fetched = FetchCataloguePage(site, genre.pageUrl, lines);
        if (genre.fetched) {
            for (ParsedSubGenre& subGenre : ParseGenrePage(lines, topGenre)) {
                if (InsertGenreRow(db, ctgrId, subGenre.subId, subGenre.code, subGenre.name)) {
                    genre.rows.push_back(std::move(subGenre));
                } else {
                    ++genre.rowsLost;
                }
            }
        }
        return genre;
    });
}

} // namespace vorn
