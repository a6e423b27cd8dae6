#include "app/cli/commands.h"

#include <algorithm>
#include <iostream>

#include "app/cli/crawl_command.h"
#include "app/cli/exit_codes.h"
#include "app/cli/history_command.h"
#include "app/cli/refresh_command.h"

namespace vorn::cli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands{
        {"crawl", "OUTPUT.csv", "collect the listings of the saved conditions into OUTPUT.csv", RunCrawlCommand},
        {"history", "", "how many listings earlier runs collected, first seen from when to when", RunHistoryCommand},
        {"forget", "[--before YYYY-MM-DD]",
         "remove the collected listings (those last seen before the day) from the history", RunForgetCommand},
        {"refresh-cities", "", "rebuild the cities of the 47 prefectures from the site", RunRefreshCitiesCommand},
        {"refresh-genres", "", "rebuild the sub-genres of the 20 genres from the site", RunRefreshGenresCommand},
    };
    return commands;
}

void PrintUsage(std::ostream& out) {
    out << "Usage: vorn-search-cli COMMAND [ARGUMENTS]\n"
           "       vorn-search-cli --help\n\n"
           "Does the program's work without its window, in the db/ folder beside the program: a crawl\n"
           "on the conditions the window saved in db/vrn.ini, or a refresh of the catalogue in\n"
           "db/vrn_data.db from the site ([Site] BaseUrl in db/vrn.ini).\n\n"
           "Commands:\n";
    std::size_t width = 0;
    for (const Command& command : Commands()) {
        width = std::max(width, command.name.size() + 1 + command.arguments.size());
    }
    for (const Command& command : Commands()) {
        std::string head = std::string(command.name);
        if (!command.arguments.empty()) {
            head += " " + std::string(command.arguments);
        }
        head.resize(width, ' ');
        out << "  " << head << "  " << command.summary << '\n';
    }
    out << "\nOptions of crawl (before or after OUTPUT.csv):\n"
           "  --new-only          pass over the listings an earlier run collected (see history)\n"
           "  --append            add the rows to the end of OUTPUT.csv, a file of this program in\n"
           "                      the same encoding; a missing file is created with its header\n"
           "  --encoding cp932    code page 932, as the window writes (the default)\n"
           "  --encoding utf-8    UTF-8 with a byte-order mark: keeps every character of the site\n"
           "\nExit codes:\n"
           "  0  rows were written; for a refresh, every page was read and stored\n"
           "  1  no listing matched the conditions\n"
           "  2  stopped by SIGINT (Ctrl-C) or SIGTERM; what was done so far is kept\n"
           "  3  the site could not be reached; for a refresh, a page was not read (the rest is stored)\n"
           "  4  the CSV file could not be written; for a refresh, the database refused a row\n"
           "  5  usage error, missing database, conditions refused, an error that ended the work,\n"
           "     or the program already running\n";
}

int RunCommandLine(const std::vector<std::string>& arguments) {
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help")) {
        PrintUsage(std::cout);
        return 0;
    }
    if (!arguments.empty()) {
        for (const Command& command : Commands()) {
            if (arguments[0] == command.name) {
                return command.run(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
            }
        }
        std::cerr << "vorn-search-cli: unknown command: " << arguments[0] << "\n\n";
    }
    PrintUsage(std::cerr);
    return kExitRefused;
}

} // namespace vorn::cli
