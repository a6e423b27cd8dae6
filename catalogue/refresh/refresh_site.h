#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The site a refresh reads and the scratch file its pages pass through.
struct RefreshSite {
    std::string baseUrl;               // https origin with its trailing slash
    std::filesystem::path scratchFile; // db/tmp.dat in the program folder
};

// The base URL followed by path, with exactly one slash between them.
std::string CataloguePageUrl(const RefreshSite& site, std::string_view path);

// Fetches url into the scratch file and reads it back as lines. False when the site did not
// serve the page (no answer, or a status other than 2xx) or the file cannot be read: the
// caller must then store nothing, since the lines would not be this page's.
bool FetchCataloguePage(const RefreshSite& site, const std::string& url, std::vector<std::string>& lines);

} // namespace vorn
