#pragma once

#include <string>
#include <vector>

#include "extract/csv_output.h"

namespace vorn {

// How a run ended, as the window reads it at the hand-back.
enum CrawlResult : int {
    kNoRows = 0,          // nothing written
    kRowsWritten = 1,     // at least one row written
    kCsvWriteFailed = 8,  // the CSV, the scratch file or a photograph could not be written: the run
                          // stopped there
    kSiteUnreachable = 9, // a page or photograph was not served (rows written stay in the file)
    kPagesUnrecognised = 10, // nothing written, and a results page the site served could not be read
    kSiteRefused = 11,       // the site refused a results page, or refused the run three pages running
};

// The state of one run, shared by the job, the results walk and the front end's calls.
struct CrawlState {
    CsvFile csvFile;
    int newCount = 0;
    int totalCount = 0;
    int areaIndex = -1;
    bool alreadySeen = false;
    std::string listingKey;
    std::string searchLabel;
    std::string areaPath;
    std::vector<std::string> areaList;
    std::vector<std::string> genreList;

    bool rowWritten = false;    // crawlResult 1
    bool writeFailed = false;   // crawlResult 8
    bool siteFailed = false;    // crawlResult 9
};

} // namespace vorn
