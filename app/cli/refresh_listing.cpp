#include "app/cli/refresh_listing.h"

#include <algorithm>

#include "app/cli/terminal_progress.h"
#include "app/core/refresh_summary.h"
#include "web/cp932.h"

namespace vorn::cli {

namespace {

// A name from the site: UTF-8, and never a control character that would drive the terminal.
std::string Printable(const std::string& cp932) { return PrintableText(AnsiToUtf8(cp932)); }

// One stored row: its number, its code and its name, both from the site.
void PrintRow(std::ostream& out, int id, const std::string& code, const std::string& nameCp932) {
    std::string number = std::to_string(id);
    number.insert(0, number.size() < 4 ? 4 - number.size() : 0, ' ');
    std::string paddedCode = Printable(code);
    paddedCode.resize(std::max<std::size_t>(paddedCode.size(), 15), ' ');
    out << number << "  " << paddedCode << "  " << Printable(nameCp932) << '\n';
}

int RowNumber(const ParsedCity& city) { return city.cityId; }
int RowNumber(const ParsedSubGenre& subGenre) { return subGenre.subId; }

// After a page's heading: how many rows it gave and the rows, or why it gave none.
template <typename Page>
void PrintPageRows(std::ostream& out, const Page& page, const std::string& notRead, const char* row, const char* rows) {
    if (!page.fetched) {
        out << notRead << '\n';
        return;
    }
    out << page.rows.size() << ' ' << (page.rows.size() == 1 ? row : rows);
    if (page.rowsLost > 0) {
        out << ", " << page.rowsLost << " refused by the database";
    }
    out << '\n';
    for (const auto& stored : page.rows) {
        PrintRow(out, RowNumber(stored), stored.code, stored.name);
    }
}

} // namespace

void PrintCities(std::ostream& out, const CityRefreshReport& report) {
    for (const CityPage& prefecture : report.pages) {
        out << prefecture.id << ' ' << AnsiToUtf8(PrefectureName(prefecture.id)) << ": ";
        PrintPageRows(out, prefecture,
                      prefecture.pageUrl.empty() ? "no AreaAlpha in T01_AREA, nothing stored"
                                                 : "page not read, nothing stored (" + prefecture.pageUrl + ")",
                      "city", "cities");
    }
    out << report.RowsStored() << " cities stored\n";
}

void PrintGenres(std::ostream& out, const GenreRefreshReport& report) {
    for (const GenrePage& genre : report.pages) {
        out << genre.id << ' ' << AnsiToUtf8(TopGenreName(genre.id)) << " (sale-" << genre.code << "/g-all"
            << (genre.topStored ? "" : ", refused by the database") << "): ";
        PrintPageRows(out, genre, "page not read, no sub-genre stored (" + genre.pageUrl + ")", "sub-genre",
                      "sub-genres");
    }
    out << report.RowsStored() << " sub-genres stored\n";
}

} // namespace vorn::cli
