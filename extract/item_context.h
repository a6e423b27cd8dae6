#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "web/fetch_retry.h"

namespace vorn {

class StandIns;

// The site owes us this pause after every page fetch and every photograph.
inline constexpr std::chrono::milliseconds kFetchPause{300};

// What item extraction needs from the run around it.
struct ItemContext {
    std::filesystem::path scratchFile;   // db/tmp.dat in the program folder
    std::string baseUrl;                 // https origin with its trailing slash
    bool saveImages = false;
    std::filesystem::path imageDir;      // existing folder (photographs go inside it)
    std::function<bool()> stopRequested; // the run's stop flag
    std::function<void()> pause;         // waits the fetch pause
    int retries = 0;                     // tries again a page or photograph the site may serve later
    // Told what became of the page fetch and of every photograph download, so the run can tell
    // a served listing from one the site failed to serve.
    std::function<void(const FetchResult&)> fetched;
    // For a row written in UTF-8: the page is read with stand-ins for the characters code page
    // 932 would change, and they are kept here to put the originals back in the row.
    StandIns* standIns = nullptr;
    // For a row in code page 932 whose lost characters are counted: the characters of its fields
    // that became "?" are added here.
    int* lostCharacters = nullptr;
    // Counts the listing pages the site served without a "<h1" line: a layout this program does
    // not know.
    int* unrecognisedPages = nullptr;
    // Set true when the page was served, holds its "<h1" heading and was read to its end: only
    // such a read may be taken as the listing's record. False for anything less.
    bool* readWhole = nullptr;
};

inline RetryPolicy RetryPolicyOf(const ItemContext& context) {
    return RetryPolicy{context.retries, context.pause, context.stopRequested};
}

} // namespace vorn
