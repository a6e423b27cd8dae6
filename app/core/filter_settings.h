#pragma once

#include <string>
#include <string_view>

#include "app/core/profile_file.h"
#include "watch/watch_settings.h"

namespace vorn {

// [Filter] of db/vrn.ini, or the same keys in a saved search's section: Exclude and
// ExcludePosters (separated by ","), MinPrice, MaxPrice (whole yen), OpenOnly (1 or 0).
struct FilterRead {
    FilterSettings settings;
    std::string refusal; // empty when sound; names the key
};
FilterRead ReadFilterSettings(const ProfileFile& file, std::string_view section = "Filter");
// False when the file cannot be written.
bool WriteFilterSettings(ProfileFile& file, const FilterSettings& filter, std::string_view section = "Filter");

} // namespace vorn
