#include "app/cli/refresh_command.h"

#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <system_error>

#include <unistd.h>

#include "app/cli/commands.h"
#include "app/cli/exit_codes.h"
#include "app/cli/program_session.h"
#include "app/cli/refresh_listing.h"
#include "app/cli/stop_signals.h"
#include "app/cli/terminal_messages.h"
#include "app/cli/terminal_progress.h"
#include "app/core/messages.h"
#include "app/core/refresh_summary.h"
#include "catalogue/refresh/city_refresh.h"
#include "catalogue/refresh/genre_refresh.h"
#include "crawl/crawl_worker.h"
#include "web/cp932.h"

namespace vorn::cli {

namespace {

// The refresh's progress in the terminal. The refresh runs on this thread; between pages it
// looks for a stop signal, and a stop ends it before the next page.
class TerminalRefreshProgress final : public RefreshProgress {
public:
    explicit TerminalRefreshProgress(TerminalProgress& progress) : progress_(progress) {}

    void ListenTo(const StopSignals& stopSignals) { stopSignals_ = &stopSignals; }

    void Init(int maximum) override { progress_.Init(maximum); }
    void Step(int, int, const std::string& statusCp932) override {
        progress_.Step();
        progress_.ShowStatus(AnsiToUtf8(statusCp932));
    }
    void ProcessPendingEvents() override {
        if (stopSignals_ != nullptr) {
            stopSignals_->Poll();
        }
    }
    bool StopRequested() override { return stopRequested_; }

    void RequestStop() {
        if (!stopRequested_) {
            stopRequested_ = true;
            progress_.Note("stopping after this page...");
        }
    }

private:
    TerminalProgress& progress_;
    const StopSignals* stopSignals_ = nullptr;
    bool stopRequested_ = false;
};

// What a refresh left: how it ended, the listing of what was stored, and the closing message.
struct RefreshOutcome {
    RunOutcome outcome = RunOutcome::RowsWritten;
    bool stopped = false;
    bool nothingRead = false; // not one page: the site itself could not be reached
    std::string listing;      // UTF-8
    std::string messageCp932; // the window's closing message with its report
};

// Rows the database refused outrank a stop, which outranks pages not read (a crawl's order).
template <typename Report>
RefreshOutcome RefreshOutcomeOf(const Report& report, std::string listing, std::string messageCp932) {
    const std::size_t skipped = report.SkippedIds().size();
    RefreshOutcome refresh;
    refresh.stopped = report.stopped;
    refresh.outcome = report.RowsLost() > 0 ? RunOutcome::NotSaved
                      : report.stopped      ? RunOutcome::Stopped
                      : skipped > 0         ? RunOutcome::SiteUnreachable
                                            : RunOutcome::RowsWritten;
    refresh.nothingRead = skipped > 0 && skipped == report.pages.size();
    refresh.listing = std::move(listing);
    refresh.messageCp932 = std::move(messageCp932);
    return refresh;
}

void ReportOutcome(const RefreshOutcome& refresh) {
    std::cout << refresh.listing;
    if (refresh.stopped) {
        std::cout << "stopped; the pages read before the stop are stored\n";
        if (refresh.outcome == RunOutcome::Stopped) {
            return;
        }
    }
    if (refresh.nothingRead) {
        std::cerr << ForTerminal(msg::SiteUnreachable()) << "\n\n";
    }
    (refresh.outcome == RunOutcome::RowsWritten ? std::cout : std::cerr) << ForTerminal(refresh.messageCp932) << '\n';
}

using Refresh = std::function<RefreshOutcome(CatalogueDb&, const RefreshSite&, RefreshProgress&)>;

// A refresh command's work: the refresh itself, then the listing and the verdict of its report.
template <typename Report>
Refresh ReportedRefresh(Report (*refresh)(CatalogueDb&, const RefreshSite&, RefreshProgress&),
                        void (*print)(std::ostream&, const Report&), std::string (*message)(const Report&)) {
    return [=](CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
        const Report report = refresh(db, site, progress);
        std::ostringstream listing;
        print(listing, report);
        return RefreshOutcomeOf(report, listing.str(), message(report));
    };
}

int RunRefresh(const char* name, const std::vector<std::string>& arguments, const Refresh& refresh) {
    if (!arguments.empty()) {
        std::cerr << "vorn-search-cli: " << name << " takes no arguments\n\n";
        PrintUsage(std::cerr);
        return kExitRefused;
    }
    const auto session = ProgramSession::Open();
    if (!session || !session->TakeRunLock()) {
        return kExitRefused;
    }
    const SiteSettings site = session->UseSite();
    const std::filesystem::path scratchFile = ScratchFile(session->programDir());

    TerminalProgress progress(std::cout, ::isatty(STDOUT_FILENO) != 0, [] { return TerminalColumns(STDOUT_FILENO); });
    TerminalRefreshProgress refreshProgress(progress);
    const StopSignals stopSignals(nullptr, [&refreshProgress](int) { refreshProgress.RequestStop(); });
    refreshProgress.ListenTo(stopSignals);

    RefreshOutcome outcome;
    std::string failure;
    try {
        outcome = refresh(session->db(), RefreshSite{site.baseUrl, scratchFile}, refreshProgress);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    progress.Finish();
    // Like a crawl, a refresh leaves no page behind.
    std::error_code ignored;
    std::filesystem::remove(scratchFile, ignored);

    if (!failure.empty()) {
        return Fail("the refresh ended on an error: " + failure, kExitRefused);
    }
    ReportOutcome(outcome);
    return ExitCodeFor(outcome.outcome);
}

} // namespace

int RunRefreshCitiesCommand(const std::vector<std::string>& arguments) {
    return RunRefresh("refresh-cities", arguments, ReportedRefresh(RefreshCities, PrintCities, CityRefreshMessage));
}

int RunRefreshGenresCommand(const std::vector<std::string>& arguments) {
    return RunRefresh("refresh-genres", arguments, ReportedRefresh(RefreshGenres, PrintGenres, GenreRefreshMessage));
}

} // namespace vorn::cli
