#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/core/profile_file.h"
#include "watch/watch_settings.h"

namespace vorn {

// [Filter] of db/vrn.ini, which the window's runs and cron share:
//   Exclude=WORD,WORD   MinPrice=N   MaxPrice=N   OpenOnly=0|1   ExcludePosters=URL-OR-NAME,...
// Items are separated by "," and read without their surrounding blanks, the full-width space
// among them; a missing or empty key sets nothing, a blank item is refused.
struct FilterReading {
    FilterSettings settings;
    std::string refusal; // CP932 (ASCII but for a value quoted), naming the key; empty when sound
};
// section: [Filter], or a saved search's section, which holds the same keys.
FilterReading ReadFilterSettings(const ProfileFile& file, std::string_view section = "Filter");
// Writes the five keys; an item holding "," cannot be read back as one. False when a key cannot
// be written.
bool WriteFilterSettings(ProfileFile& file, const FilterSettings& settings, std::string_view section = "Filter");

// A price the user gave: a whole number of yen, digits alone (no sign, comma or 円).
std::optional<long long> ParseYen(std::string_view text);

// Names the two bounds when the minimum is above the maximum; empty otherwise.
std::string PriceRangeRefusal(const FilterSettings& settings, std::string_view minName, std::string_view maxName);

// The crawl's filter options used together with [Filter]: the words, posters and OpenOnly of
// both, and a price bound given as an option in place of the file's. refusal names the two
// bounds, option or key, when the minimum ends above the maximum.
FilterReading CombineFilters(const FilterSettings& file, const FilterSettings& options);

} // namespace vorn
