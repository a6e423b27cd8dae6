#include "app/cli/exit_codes.h"

namespace vorn::cli {

ExitCode ExitCodeFor(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::RowsWritten:
        return kExitRowsWritten;
    case RunOutcome::NothingFound:
        return kExitNoItems;
    case RunOutcome::Stopped:
        return kExitStopped;
    case RunOutcome::SiteUnreachable:
        return kExitSiteUnreachable;
    case RunOutcome::PagesUnrecognised:
        return kExitPagesUnrecognised;
    case RunOutcome::SiteRefused:
        return kExitSiteRefused;
    case RunOutcome::NotSaved:
        return kExitCsvFailed;
    case RunOutcome::Failed:
        break;
    }
    return kExitRefused;
}

} // namespace vorn::cli
