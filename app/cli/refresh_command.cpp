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

// What a refresh left: for the exit code, the listing of what was stored, and the closing message.
struct RefreshOutcome {
    bool stopped = false;
    bool pagesSkipped = false;
    bool nothingRead = false; // not one page: the site itself could not be reached
    bool rowsLost = false;
    std::string listing;      // UTF-8
    std::string messageCp932; // the window's closing message with its report
};

RefreshOutcome OutcomeOf(bool stopped, std::size_t pagesTried, std::size_t pagesSkipped, int rowsLost,
                         std::string listing, std::string messageCp932) {
    RefreshOutcome outcome;
    outcome.stopped = stopped;
    outcome.pagesSkipped = pagesSkipped > 0;
    outcome.nothingRead = pagesSkipped > 0 && pagesSkipped == pagesTried;
    outcome.rowsLost = rowsLost > 0;
    outcome.listing = std::move(listing);
    outcome.messageCp932 = std::move(messageCp932);
    return outcome;
}

// Rows the database refused outrank a stop, which outranks pages not read (a crawl's order).
ExitCode ExitCodeOf(const RefreshOutcome& outcome) {
    if (outcome.rowsLost) {
        return kExitCsvFailed;
    }
    if (outcome.stopped) {
        return kExitStopped;
    }
    return outcome.pagesSkipped ? kExitSiteUnreachable : kExitRowsWritten;
}

void ReportOutcome(const RefreshOutcome& outcome, ExitCode code) {
    std::cout << outcome.listing;
    if (outcome.stopped) {
        std::cout << "stopped; the pages read before the stop are stored\n";
        if (code == kExitStopped) {
            return;
        }
    }
    if (outcome.nothingRead) {
        std::cerr << ForTerminal(msg::SiteUnreachable()) << "\n\n";
    }
    (code == kExitRowsWritten ? std::cout : std::cerr) << ForTerminal(outcome.messageCp932) << '\n';
}

using Refresh = std::function<RefreshOutcome(CatalogueDb&, const RefreshSite&, RefreshProgress&)>;

int RunRefresh(const char* name, const std::vector<std::string>& arguments, const Refresh& refresh) {
    if (!arguments.empty()) {
        std::cerr << "vorn-search-cli: " << name << " takes no arguments\n\n";
        PrintUsage(std::cerr);
        return kExitRefused;
    }
    const auto session = ProgramSession::Open();
    if (!session) {
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
    const ExitCode code = ExitCodeOf(outcome);
    ReportOutcome(outcome, code);
    return code;
}

} // namespace

int RunRefreshCitiesCommand(const std::vector<std::string>& arguments) {
    return RunRefresh("refresh-cities", arguments,
                      [](CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
                          const CityRefreshReport report = RefreshCities(db, site, progress);
                          std::ostringstream listing;
                          PrintCities(listing, report);
                          return OutcomeOf(report.stopped, report.prefectures.size(), report.SkippedAreaIds().size(),
                                           report.CitiesLost(), listing.str(), CityRefreshMessage(report));
                      });
}

int RunRefreshGenresCommand(const std::vector<std::string>& arguments) {
    return RunRefresh("refresh-genres", arguments,
                      [](CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
                          const GenreRefreshReport report = RefreshGenres(db, site, progress);
                          std::ostringstream listing;
                          PrintGenres(listing, report);
                          return OutcomeOf(report.stopped, report.genres.size(), report.SkippedCtgrIds().size(),
                                           report.RowsLost(), listing.str(), GenreRefreshMessage(report));
                      });
}

} // namespace vorn::cli
