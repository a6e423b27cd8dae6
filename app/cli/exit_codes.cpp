#include "app/cli/exit_codes.h"

#include "crawl/crawl_state.h"

namespace vorn::cli {

ExitCode ExitCodeFor(int crawlResult, bool stopRequested, bool failedWithError) {
    if (crawlResult == kCsvWriteFailed) {
        return kExitCsvFailed;
    }
    if (failedWithError) {
        return kExitRefused;
    }
    if (stopRequested) {
        return kExitStopped;
    }
    if (crawlResult == kSiteUnreachable) {
        return kExitSiteUnreachable;
    }
    return crawlResult == kRowsWritten ? kExitRowsWritten : kExitNoItems;
}

} // namespace vorn::cli
