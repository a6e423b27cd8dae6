#pragma once

#include <string>
#include <vector>

#include "extract/item_fields.h"

namespace vorn {

// What one search asks of the run it belongs to.
class SearchHost {
public:
    virtual ~SearchHost() = default;

    // Fetches url into the scratch file and hands back the bytes written (none when the fetch
    // failed); what became of the fetch counts towards how the run ends. True when the site
    // served the page (FetchResult::served).
    virtual bool FetchPage(const std::string& url, std::string& page) = 0;
    // The pause the site is owed after every fetch.
    virtual void Pause() = 0;
    virtual bool StopRequested() const = 0;
    // The listing keys the results page links to, in page order, before any is checked.
    virtual void ListingsOnPage(const std::vector<std::string>& /*keys*/) {}
    // True when the listing was collected earlier in the run; it counts as collected from now.
    virtual bool CheckSeen(const std::string& listingKey) = 0;
    // The search's label and ProgressCountText(newCount, totalCount) on the status line.
    virtual void ShowStatus(int newCount, int totalCount) = 0;
    // Reads one listing's page and writes its row, its photographs first when they are saved;
    // a failed write stops the run.
    virtual void CollectListing(const std::string& itemUrl) = 0;
};

} // namespace vorn
