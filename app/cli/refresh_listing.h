#pragma once

#include <ostream>

#include "catalogue/refresh/city_refresh.h"
#include "catalogue/refresh/genre_refresh.h"

namespace vorn::cli {

// What a refresh stored, as the terminal shows it (UTF-8): a line per prefecture or genre, then
// a line per row with its number, code and name; a page not read says so.
void PrintCities(std::ostream& out, const CityRefreshReport& report);
void PrintGenres(std::ostream& out, const GenreRefreshReport& report);

} // namespace vorn::cli
