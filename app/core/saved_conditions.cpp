#include "app/core/saved_conditions.h"

#include <algorithm>

#include "web/cp932.h"
#include "web/fetch_page.h"
#include "web/fetch_retry.h"
#include "web/text.h"

namespace vorn {

namespace {

constexpr const char* kSite = "Site";

} // namespace

SavedConditions ReadSavedConditions(const ProfileFile& file, std::string_view section) {
    SavedConditions conditions;
    conditions.word = file.ReadString(section, "Word");
    conditions.areasel = file.ReadInteger(section, "Areasel", 0);
    conditions.imageDir = file.ReadString(section, "ImageDir");
    conditions.checkImage = file.ReadInteger(section, "CheckImage", 0) != 0;
    conditions.ctgrlist = file.ReadString(section, "Ctgrlist");
    conditions.arealist = file.ReadString(section, "Arealist");
    return conditions;
}

bool WriteSavedConditions(ProfileFile& file, const SavedConditions& conditions, std::string_view section) {
    // The edits' texts are saved without their surrounding blanks and control characters.
    return file.WriteString(section, "Word", Trim(conditions.word)) &&
           file.WriteString(section, "Areasel", std::to_string(conditions.areasel)) &&
           file.WriteString(section, "ImageDir", Trim(conditions.imageDir)) &&
           file.WriteString(section, "CheckImage", conditions.checkImage ? "1" : "0") &&
           file.WriteString(section, "Ctgrlist", conditions.ctgrlist) &&
           file.WriteString(section, "Arealist", conditions.arealist);
}

SiteSettings ReadSiteSettings(const ProfileFile& file) {
    SiteSettings site;
    site.baseUrl = Trim(file.ReadString(kSite, "BaseUrl"));
    if (site.baseUrl.empty()) {
        site.baseUrl = kDefaultBaseUrl;
    }
    if (site.baseUrl.back() != '/') {
        site.baseUrl += '/';
    }
    site.caFile = AnsiToUtf8(file.ReadString(kSite, "CaFile"));
    site.retries = std::clamp(file.ReadInteger(kSite, "Retries", 0), 0, kMostRetries);
    return site;
}

std::filesystem::path CaFilePath(const SiteSettings& site, const std::filesystem::path& programDir) {
    if (site.caFile.empty()) {
        return {};
    }
    const std::filesystem::path path(site.caFile);
    return path.is_absolute() ? path : programDir / path;
}

void ApplySiteSettings(const SiteSettings& site, const std::filesystem::path& programDir) {
    FetchSettings fetch = CurrentFetchSettings();
    fetch.extraCaFile = CaFilePath(site, programDir).string();
    SetFetchSettings(fetch);
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& programDir) {
    return programDir / "db" / "vrn.ini";
}

std::filesystem::path DatabaseFilePath(const std::filesystem::path& programDir) {
    return programDir / "db" / "vrn_data.db";
}

} // namespace vorn
