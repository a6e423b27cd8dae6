#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vorn {

// Which listings a run writes.
enum class WriteMode {
    All,         // every listing read (the run as it always was)
    NewOnly,     // those no earlier run read
    ChangesOnly, // those new or changed since an earlier run read them, with the change column
};

// Listings the user never wants, [Filter] of db/vrn.ini or the crawl's options. Text is UTF-8.
struct FilterSettings {
    std::vector<std::string> excludeWords;   // in the title or the description
    std::optional<long long> minPrice;       // yen, on the price as a number
    std::optional<long long> maxPrice;
    bool openOnly = false;                   // leave out 受付終了
    std::vector<std::string> excludePosters; // profile URL or name, whole

    bool Any() const { return !excludeWords.empty() || minPrice || maxPrice || openOnly || !excludePosters.empty(); }
};

} // namespace vorn
