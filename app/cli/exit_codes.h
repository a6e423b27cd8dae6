#pragma once

#include "app/core/run_outcome.h"

namespace vorn::cli {

// What vorn-search-cli tells its caller (cron, scripts).
enum ExitCode : int {
    kExitRowsWritten,     // 0
    kExitNoItems,         // 1
    kExitStopped,         // 2
    kExitSiteUnreachable, // 3
    kExitCsvFailed,       // 4
    kExitRefused,         // 5: usage error, missing database, refused conditions, another instance running
    kExitPagesUnrecognised, // 6: nothing read, the site's results pages could not be read
    kExitSiteRefused,       // 7: the site refused a search, or the run three pages running
};

ExitCode ExitCodeFor(RunOutcome outcome);

} // namespace vorn::cli
