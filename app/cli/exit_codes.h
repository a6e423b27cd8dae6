#pragma once

namespace vorn::cli {

// What vorn-search-cli tells its caller (cron, scripts).
enum ExitCode : int {
    kExitRowsWritten = 0,
    kExitNoItems = 1,
    kExitStopped = 2,
    kExitSiteUnreachable = 3,
    kExitCsvFailed = 4,
    kExitRefused = 5, // usage error, missing database, refused conditions, another instance running
};

// How a run ended, from the job's crawlResult, whether a stop was asked for and whether an error
// cut the run short. A file that could not be written outranks everything, since rows were lost;
// an error outranks a stop; a stop outranks an unreachable site.
ExitCode ExitCodeFor(int crawlResult, bool stopRequested, bool failedWithError);

} // namespace vorn::cli
