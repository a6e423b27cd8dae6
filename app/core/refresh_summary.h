#pragma once

#include <string>

#include "catalogue/refresh/city_refresh.h"
#include "catalogue/refresh/genre_refresh.h"

namespace vorn {

// The closing message of a catalogue refresh (CP932): the word the window closes each refresh
// with, followed by the prefectures or genres whose pages could not be read and the number of
// rows the database refused, so that a partial refresh never reads as a whole one.
std::string CityRefreshMessage(const CityRefreshReport& report);
std::string GenreRefreshMessage(const GenreRefreshReport& report);

// The display name (CP932) of prefecture 1..47 and of top genre 1..20.
std::string PrefectureName(int areaId);
std::string TopGenreName(int ctgrId);

} // namespace vorn
