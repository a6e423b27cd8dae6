#include "catalogue/refresh/genre_refresh.h"

#include <cstdint>

#include "catalogue/refresh/genre_page_parser.h"
#include "catalogue/refresh/top_genres.h"
#include "catalogue/statements.h"
#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

std::string StatusText(int position, int maximum) {
    return UTF8ToAnsi("ジャンル - ") + ProgressCountText(position, maximum);
}

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

std::vector<int> GenreRefreshReport::SkippedCtgrIds() const {
    std::vector<int> skipped;
    for (const Genre& genre : genres) {
        if (!genre.fetched) {
            skipped.push_back(genre.ctgrId);
        }
    }
    return skipped;
}

int GenreRefreshReport::SubGenresStored() const {
    int total = 0;
    for (const Genre& genre : genres) {
        total += static_cast<int>(genre.subGenres.size());
    }
    return total;
}

int GenreRefreshReport::RowsLost() const {
    int total = 0;
    for (const Genre& genre : genres) {
        total += genre.subGenresLost + (genre.topStored ? 0 : 1);
    }
    return total;
}

GenreRefreshReport RefreshGenres(CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
    GenreRefreshReport report;
    std::vector<std::string> lines;
    const std::vector<TopGenre>& topGenres = TopGenres();
    const int genreCount = static_cast<int>(topGenres.size());
    db.Execute(sql::kDeleteGenres);
    progress.Init(genreCount);
    for (int ctgrId = 1; ctgrId <= genreCount; ++ctgrId) {
        if (progress.StopRequested()) {
            report.stopped = true;
            break;
        }
        const TopGenre& topGenre = topGenres[static_cast<std::size_t>(ctgrId - 1)];
        GenreRefreshReport::Genre genre;
        genre.ctgrId = ctgrId;
        genre.code = topGenre.code;
        // The genre's own row goes in before its page is fetched, so it is there even without the page.
        genre.topStored = InsertGenreRow(db, ctgrId, 0, "sale-" + topGenre.code + "/g-all", topGenre.name);
        genre.pageUrl = CataloguePageUrl(site, "all/sale-" + topGenre.code);
        genre.fetched = FetchCataloguePage(site, genre.pageUrl, lines);
        if (genre.fetched) {
            for (ParsedSubGenre& subGenre : ParseGenrePage(lines, topGenre)) {
                if (InsertGenreRow(db, ctgrId, subGenre.subId, subGenre.code, subGenre.name)) {
                    genre.subGenres.push_back(std::move(subGenre));
                } else {
                    ++genre.subGenresLost;
                }
            }
        }
        report.genres.push_back(std::move(genre));
        progress.ProcessPendingEvents();
        progress.Step(ctgrId, genreCount, StatusText(ctgrId, genreCount));
    }
    return report;
}

} // namespace vorn
