#include "app/cli/commands.h"

#include <algorithm>
#include <iostream>

#include "app/cli/crawl_arguments.h"
#include "app/cli/crawl_command.h"
#include "app/cli/exit_codes.h"
#include "app/cli/history_command.h"
#include "app/cli/list_command.h"
#include "app/cli/market_command.h"
#include "app/cli/notify_command.h"
#include "app/cli/refresh_command.h"
#include "app/cli/runs_command.h"
#include "app/cli/schedule_command.h"
#include "app/cli/store_commands.h"
#include "app/core/program_dir.h"

namespace vorn::cli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands{
        {"crawl", "[OPTIONS] OUTPUT.csv", "collect the listings of the saved or the named conditions into OUTPUT.csv",
         RunCrawlCommand},
        {"list", "prefectures|cities P|genres|saved|schedules",
         "the names crawl takes, the saved or the scheduled searches", RunListCommand},
        {"history", "", "how many listings earlier runs collected, first seen from when to when", RunHistoryCommand},
        {"changes", "[OPTIONS] [OUTPUT.csv]", "the changes runs found, newest first, printed or into OUTPUT.csv",
         RunChangesCommand},
        {"runs", "", "the runs kept, newest first: number, start, conditions, mode, outcome, rows, counts",
         RunRunsCommand},
        {"market", "[OPTIONS] [OUTPUT.csv]", "the going price of every search run by run, printed or into OUTPUT.csv",
         RunMarketCommand},
        {"export", "[--run N] [--encoding E] OUTPUT",
         "write the rows of run N (else the last run that wrote any) again into OUTPUT", RunExportCommand},
        {"forget", "[--before YYYY-MM-DD]", "remove the collected listings (those last seen before the day)",
         RunForgetCommand},
        {"schedule", "NAME HH:MM|off [--output FILE]", "run a saved search every day by a systemd user timer",
         RunScheduleCommand},
        {"notify-test", "", "send a test message on every alert channel of [Notify] in db/vrn.ini",
         RunNotifyTestCommand},
        {"refresh-cities", "", "rebuild the cities of the 47 prefectures from the site", RunRefreshCitiesCommand},
        {"refresh-genres", "", "rebuild the sub-genres of the 20 genres from the site", RunRefreshGenresCommand},
    };
    return commands;
}

void PrintUsage(std::ostream& out) {
    out << "Usage: vorn-search-cli COMMAND [ARGUMENTS]\n"
           "       vorn-search-cli --help | --version\n\n"
           "Does the program's work without its window, in the program's db/ folder: a crawl on the\n"
           "conditions the window saved in db/vrn.ini or on conditions named here, or a refresh of the\n"
           "catalogue in db/vrn_data.db from the site ([Site] BaseUrl in db/vrn.ini).\n\n"
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
    out << '\n'
        << kCrawlOptionsHelp
        << "Changes options:\n"
           "  --since YYYY-MM-DD the changes found by runs begun on that day or later\n"
           "  --kind KIND        only the changes of KIND: 新着, 再掲載, 値下げ, 値上げ or 受付終了;\n"
           "                     again for more\n"
           "  --encoding E       cp932 (the default) or utf-8, for OUTPUT.csv as crawl writes it\n"
           "Export writes the rows again as that run wrote them (--run N: run N as runs lists it),\n"
           "byte for byte: OUTPUT.xlsx as a workbook (with 変化, without photographs), any other name\n"
           "as a CSV file (cp932 unless --encoding utf-8) with 変化 when the run was --changes-only.\n"
           "Market options:\n"
           "  --since YYYY-MM-DD the runs begun on that day or later\n"
           "  --encoding E       cp932 (the default) or utf-8, for OUTPUT.csv\n"
           "Market gives, per run and search, the count, lowest, lower quartile, median, upper\n"
           "quartile and highest of the prices of the open listings the search read (応相談, 0円 and\n"
           "受付終了 left out), oldest first.\n"
        << "\nExample: vorn-search-cli crawl --prefecture 東京都 --genre 家具/ソファ --keyword 北欧 sofas.csv\n";
    // Where this user's files are, without making anything.
    const ProgramDirChoice where = ChooseProgramDir(CurrentProgramDirSources());
    out << "\nFiles:\n"
           "  db/ beside the program when it is there and writable (a build tree, a copied program\n"
           "  folder); otherwise db/ in $XDG_DATA_HOME/vorn-search (~/.local/share/vorn-search when\n"
           "  XDG_DATA_HOME is unset), made on the first start with a copy of the shipped catalogue\n"
           "  (../share/vorn-search/vrn_data.db from the program's folder).\n"
           "  For this program: "
        << (where.dir / "db").string() << "/\n";
    out << "\nExit codes:\n"
           "  0  rows were written; for changes, the changes were listed (also none); for a refresh,\n"
           "     every page was read and stored; for notify-test, every channel took its message\n"
           "  1  no listing matched the conditions; for export, no run has rows to write again\n"
           "  2  stopped by SIGINT (Ctrl-C) or SIGTERM; what was done so far is kept\n"
           "  3  the site could not be reached; for a refresh, a page was not read (the rest is stored);\n"
           "     for notify-test, a channel did not take its message\n"
           "  4  the output file could not be written; for a refresh, the database refused a row\n"
           "  5  usage error, missing database, conditions refused, an error that ended the work,\n"
           "     or another crawl or refresh running (the window's or this program's); for notify-test,\n"
           "     no channel configured or a [Notify] setting refused\n"
           "  6  nothing was read: the site served results pages this program cannot read (the site\n"
           "     has probably changed)\n";
}

int RunCommandLine(const std::vector<std::string>& arguments) {
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help")) {
        PrintUsage(std::cout);
        return 0;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        std::cout << "vorn-search-cli " VORN_VERSION "\n";
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
