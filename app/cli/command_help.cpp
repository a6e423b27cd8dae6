#include "app/cli/command_help.h"

#include <algorithm>
#include <string>

#include "app/cli/crawl_arguments.h"

namespace vorn::cli {

const char* const kChangesOptionsHelp =
    "Changes options:\n"
    "  --since YYYY-MM-DD the changes found by runs begun on that day or later\n"
    "  --kind KIND        only the changes of KIND: 新着, 再掲載, 値下げ, 値上げ or 受付終了;\n"
    "                     again for more\n"
    "  --encoding E       cp932 (the default) or utf-8, for OUTPUT.csv as crawl writes it\n"
    "Export writes the rows again as that run wrote them (--run N: run N as runs lists it),\n"
    "byte for byte: OUTPUT.xlsx as a workbook (with 変化, without photographs), any other name\n"
    "as a CSV file (cp932 unless --encoding utf-8) with 変化 when the run was --changes-only.\n";

const char* const kMarketOptionsHelp =
    "Market options:\n"
    "  --since YYYY-MM-DD the runs begun on that day or later\n"
    "  --encoding E       cp932 (the default) or utf-8, for OUTPUT.csv\n"
    "Market gives, per run and search, the count, lowest, lower quartile, median, upper\n"
    "quartile and highest of the prices of the open listings the search read (応相談, 0円 and\n"
    "受付終了 left out), oldest first.\n";

bool AsksForHelp(const std::vector<std::string>& arguments) {
    // Anywhere among them: "--keyword --help" is a question, not a search for "--help".
    return std::any_of(arguments.begin(), arguments.end(),
                       [](const std::string& argument) { return argument == "--help" || argument == "-h"; });
}

void PrintCommandUsage(std::ostream& out, const Command& command) {
    out << "Usage: vorn-search-cli " << command.name;
    if (!command.arguments.empty()) {
        out << ' ' << command.arguments;
    }
    // The summary is a phrase of the general help's table; here it stands as a sentence.
    std::string summary(command.summary);
    if (!summary.empty() && summary[0] >= 'a' && summary[0] <= 'z') {
        summary[0] = static_cast<char>(summary[0] - 'a' + 'A');
    }
    out << "\n\n" << summary << ".\n";
    if (command.name == "crawl") {
        out << '\n' << kCrawlOptionsHelp;
    } else if (command.name == "changes" || command.name == "export") {
        out << '\n' << kChangesOptionsHelp;
    } else if (command.name == "market") {
        out << '\n' << kMarketOptionsHelp;
    }
    out << "\nvorn-search-cli --help tells of every command, the program's files and its exit codes.\n";
}

} // namespace vorn::cli
