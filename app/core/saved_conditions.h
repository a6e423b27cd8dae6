#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/core/profile_file.h"

namespace vorn {

// The user's last conditions, section Config of db/vrn.ini (CP932 text); a saved search keeps the
// same keys in a section of its own.
struct SavedConditions {
    std::string word;
    int areasel = 0;
    std::string imageDir;
    bool checkImage = false;
    std::string ctgrlist;
    std::string arealist;
};

SavedConditions ReadSavedConditions(const ProfileFile& file, std::string_view section = "Config");
// Writes the six keys in the order Word, Areasel, ImageDir, CheckImage, Ctgrlist, Arealist.
// Returns false at the first key that cannot be written (the later ones are not written).
bool WriteSavedConditions(ProfileFile& file, const SavedConditions& conditions, std::string_view section = "Config");

// Section Site: the site the program talks to.
struct SiteSettings {
    std::string baseUrl; // https origin with its trailing slash
    std::string caFile;  // optional extra CA bundle, as the system spells paths (UTF-8)
    int retries = 0;     // Retries: how often a fetch the site may serve later is tried again
};
inline constexpr const char* kDefaultBaseUrl = "https://www.vorn.example/";
// A missing or empty BaseUrl is the default; a trailing slash is added when it lacks one.
// Retries is held to 0..kMostRetries.
SiteSettings ReadSiteSettings(const ProfileFile& file);
// The CA bundle to trust besides the system's, a relative path taken from the program folder
// (cron starts programs in the home folder); empty when none is set.
std::filesystem::path CaFilePath(const SiteSettings& site, const std::filesystem::path& programDir);
// Lets the fetcher trust that bundle too; process-wide, so only while no fetch runs.
void ApplySiteSettings(const SiteSettings& site, const std::filesystem::path& programDir);

// db/vrn.ini, db/vrn_data.db in the program folder.
std::filesystem::path SettingsFilePath(const std::filesystem::path& programDir);
std::filesystem::path DatabaseFilePath(const std::filesystem::path& programDir);

} // namespace vorn
