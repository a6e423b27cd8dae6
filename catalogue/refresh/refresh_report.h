#pragma once

#include <string>
#include <vector>

#include "catalogue/refresh/refresh_progress.h"
#include "web/text.h"

namespace vorn {

// One catalogue page of a refresh: the prefecture or genre it belongs to and the rows it gave.
template <typename Row>
struct RefreshedPage {
    int id = 0;            // AreaID or CtgrID
    std::string pageUrl;   // empty when the catalogue has no address for the page
    bool fetched = false;  // the page was served and read; otherwise nothing was stored from it
    std::vector<Row> rows; // the rows stored, in the page's order
    int rowsLost = 0;      // rows the database refused

    int LostRows() const { return rowsLost; }
};

// What a refresh did, page by page in id order, up to where a stop came.
template <typename Page>
struct RefreshReport {
    std::vector<Page> pages;
    bool stopped = false; // the progress asked to stop before every page was read

    // The pages whose rows were not read: no address, or the page was not served.
    std::vector<int> SkippedIds() const {
        std::vector<int> skipped;
        for (const Page& page : pages) {
            if (!page.fetched) {
                skipped.push_back(page.id);
            }
        }
        return skipped;
    }
    int RowsStored() const {
        int total = 0;
        for (const Page& page : pages) {
            total += static_cast<int>(page.rows.size());
        }
        return total;
    }
    int RowsLost() const {
        int total = 0;
        for (const Page& page : pages) {
            total += page.LostRows();
        }
        return total;
    }
};

// Reads pages 1..count in order, each made by readPage(id), one at a time. The progress shows
// the label and ProgressCountText after each page and may stop the refresh before the next one.
template <typename Page, typename ReadPage>
RefreshReport<Page> RefreshPages(RefreshProgress& progress, int count, const std::string& labelCp932,
                                 ReadPage readPage) {
    RefreshReport<Page> report;
    progress.Init(count);
    for (int id = 1; id <= count; ++id) {
        if (progress.StopRequested()) {
            report.stopped = true;
            break;
        }
        report.pages.push_back(readPage(id));
        progress.ProcessPendingEvents();
        progress.Step(id, count, labelCp932 + ProgressCountText(id, count));
    }
    return report;
}

} // namespace vorn
