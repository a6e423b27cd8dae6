#include "app/cli/runs_command.h"

#include <iostream>

#include "app/cli/commands.h"
#include "app/cli/exit_codes.h"
#include "app/cli/program_session.h"
#include "app/cli/terminal_messages.h"
#include "watch/run_history.h"
#include "web/cp932.h"

namespace vorn::cli {

namespace {

// Fields apart by two blanks: the conditions hold single ones.
std::string RunLine(const StoredRun& run) {
    std::string mode = run.mode.empty() ? "unknown mode" : run.mode;
    if (run.automatic) {
        mode += ", automatic";
    }
    return std::to_string(run.id) + "  " + run.started + "  " + AnsiToUtf8(run.conditions) + "  " + mode + "  " +
           (run.outcome.empty() ? "unfinished" : run.outcome) + "  " + std::to_string(run.rows) + " rows  " +
           AnsiToUtf8(CountsLine(run.counts));
}

} // namespace

int RunRunsCommand(const std::vector<std::string>& arguments) {
    if (!arguments.empty()) {
        std::cerr << "vorn-search-cli: runs takes no arguments\n\n";
        PrintUsage(std::cerr);
        return kExitRefused;
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    std::vector<StoredRun> runs;
    try {
        runs = StoredRuns(session->db());
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    if (runs.empty()) {
        std::cout << "no runs kept\n";
    }
    for (const StoredRun& run : runs) {
        std::cout << RunLine(run) << '\n';
    }
    return kExitRowsWritten;
}

} // namespace vorn::cli
