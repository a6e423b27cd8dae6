#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/cli/named_conditions.h"
#include "extract/csv_output.h"
#include "watch/watch_settings.h"

namespace vorn::cli {

// crawl [--new-only] [--append] [--encoding cp932|utf-8] [--retries N] [--wait MINUTES]
//       [--prefecture NAME]... [--all-areas] [--city NAME]... [--genre NAME]... [--all-genres]
//       [--keyword TEXT] [--images FOLDER] OUTPUT.csv
// crawl [--append] [--encoding ...] [--retries N] [--wait MINUTES] --saved NAME OUTPUT.csv
struct CrawlArguments {
    NamedConditions named;
    bool newOnly = false; // pass over listings collected by earlier runs
    bool append = false; // add the rows to an existing file of this program
    CsvEncoding encoding = CsvEncoding::Cp932;
    std::optional<int> retries; // in place of [Site] Retries
    int waitMinutes = 0;        // for another run to end; 0 gives up at once
    std::optional<std::string> savedName; // --saved: a search the window saved, by its name (UTF-8)
    // The saved search's mode and filter, set when it is read, for the run.
    std::optional<WriteMode> savedMode;
    std::optional<FilterSettings> savedFilter;
    std::string output;
    std::string error; // what was wrong with the arguments; empty when they are sound
};

CrawlArguments ParseCrawlArguments(const std::vector<std::string>& arguments);

// The options, as --help lists them.
extern const char* const kCrawlOptionsHelp;

} // namespace vorn::cli
