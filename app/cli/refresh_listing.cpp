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

} // namespace

void PrintCities(std::ostream& out, const CityRefreshReport& report) {
    for (const CityRefreshReport::Prefecture& prefecture : report.prefectures) {
        out << prefecture.areaId << ' ' << AnsiToUtf8(PrefectureName(prefecture.areaId)) << ": ";
        if (!prefecture.fetched) {
            out << (prefecture.pageUrl.empty() ? "no AreaAlpha in T01_AREA, nothing stored\n"
                                               : "page not read, nothing stored (" + prefecture.pageUrl + ")\n");
            continue;
        }
        out << prefecture.cities.size() << (prefecture.cities.size() == 1 ? " city" : " cities");
        if (prefecture.citiesLost > 0) {
            out << ", " << prefecture.citiesLost << " refused by the database";
        }
        out << '\n';
        for (const ParsedCity& city : prefecture.cities) {
            PrintRow(out, city.cityId, city.code, city.name);
        }
    }
    out << report.CitiesStored() << " cities stored\n";
}

void PrintGenres(std::ostream& out, const GenreRefreshReport& report) {
    for (const GenreRefreshReport::Genre& genre : report.genres) {
        out << genre.ctgrId << ' ' << AnsiToUtf8(TopGenreName(genre.ctgrId)) << " (sale-" << genre.code
            << "/g-all" << (genre.topStored ? "" : ", refused by the database") << "): ";
        if (!genre.fetched) {
            out << "page not read, no sub-genre stored (" << genre.pageUrl << ")\n";
            continue;
        }
        out << genre.subGenres.size() << (genre.subGenres.size() == 1 ? " sub-genre" : " sub-genres");
        if (genre.subGenresLost > 0) {
            out << ", " << genre.subGenresLost << " refused by the database";
        }
        out << '\n';
        for (const ParsedSubGenre& subGenre : genre.subGenres) {
            PrintRow(out, subGenre.subId, subGenre.code, subGenre.name);
        }
    }
    out << report.SubGenresStored() << " sub-genres stored\n";
}

} // namespace vorn::cli
