#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/cli/named_conditions.h"
#include "extract/csv_output.h"
#include "watch/watch_settings.h"

namespace vorn::cli {

// crawl [--new-only | --changes-only] [--append] [--encoding cp932|utf-8] [--retries N] [--wait MINUTES]
//       [--prefecture NAME]... [--all-areas] [--city NAME]... [--genre NAME]... [--all-genres]
//       [--keyword TEXT] [--images FOLDER] [--exclude WORD]... [--min-price N] [--max-price N]
//       [--open-only] [--exclude-poster URL-OR-NAME]... [--no-filter] OUTPUT.csv|OUTPUT.xlsx
// crawl [--append] [--encoding ...] [--retries N] [--wait MINUTES] [--quiet] --saved NAME [OUTPUT.csv|OUTPUT.xlsx]
struct CrawlArguments {
    NamedConditions named;
    bool newOnly = false; // pass over listings collected by earlier runs
    bool changesOnly = false; // write only the listings new or changed since an earlier run
    bool append = false; // add the rows to an existing file of this program
    CsvEncoding encoding = CsvEncoding::Cp932;
    bool encodingGiven = false;
    bool quiet = false; // no progress lines: the outcome, the counts and the warnings alone
    std::optional<int> retries; // in place of [Site] Retries
    int waitMinutes = 0;        // for another run to end; 0 gives up at once
    FilterSettings filter;      // the filter options alone (CP932), to be used with [Filter]
    bool noFilter = false;      // [Filter] is not read: only the options filter
    std::optional<std::string> savedName; // --saved: a search the window saved, by its name (UTF-8)
    // The saved search's mode and filter, set when it is read, for the run.
    std::optional<WriteMode> savedMode;
    std::optional<FilterSettings> savedFilter;
    std::string output; // empty with --saved alone: the saved search's own output
    bool workbook = false; // output names an Excel workbook (.xlsx)
    std::string error; // what was wrong with the arguments; empty when they are sound
};

CrawlArguments ParseCrawlArguments(const std::vector<std::string>& arguments);
// Sets the output, and refuses options a workbook does not take (empty when sound).
std::string SetCrawlOutput(CrawlArguments& parsed, std::string output);

// The options, as --help lists them.
extern const char* const kCrawlOptionsHelp;

} // namespace vorn::cli
