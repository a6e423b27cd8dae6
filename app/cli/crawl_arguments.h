#pragma once

#include <string>
#include <vector>

#include "app/cli/named_conditions.h"

namespace vorn::cli {

// crawl [--prefecture NAME]... [--all-areas] [--city NAME]... [--genre NAME]... [--all-genres]
//       [--keyword TEXT] [--images FOLDER] OUTPUT.csv
struct CrawlArguments {
    NamedConditions named;
    std::string output;
    std::string error; // what was wrong with the arguments; empty when they are sound
};

CrawlArguments ParseCrawlArguments(const std::vector<std::string>& arguments);

// The options, as --help lists them.
extern const char* const kCrawlOptionsHelp;

} // namespace vorn::cli
