#include "app/cli/crawl_command.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
#include <utility>

#include <unistd.h>

#include "app/cli/commands.h"
#include "app/cli/exit_codes.h"
#include "app/cli/program_session.h"
#include "app/cli/stop_signals.h"
#include "app/cli/terminal_front_end.h"
#include "app/cli/terminal_messages.h"
#include "app/cli/terminal_progress.h"
#include "app/core/messages.h"
#include "app/core/run_conditions.h"
#include "app/core/saved_conditions.h"
#include "catalogue/statements.h"
#include "crawl/crawl_worker.h"
#include "web/cp932.h"

namespace vorn::cli {

namespace {

namespace fs = std::filesystem;

void ReportOutcome(RunOutcome outcome, const fs::path& output, const std::string& errorText) {
    switch (outcome) {
    case RunOutcome::RowsWritten: {
        const std::string completed = ForTerminal(msg::RunCompleted());
        std::cout << completed.substr(0, completed.find('\n')) << '\n' << output.string() << '\n';
        break;
    }
    case RunOutcome::NothingFound:
        std::cout << ForTerminal(msg::NoItemsFound()) << '\n';
        break;
    case RunOutcome::Stopped:
        std::cout << "stopped; the rows written so far are in " << output.string() << '\n';
        break;
    case RunOutcome::SiteUnreachable:
        std::cerr << ForTerminal(msg::SiteUnreachable()) << '\n';
        break;
    case RunOutcome::NotSaved:
        std::cerr << ForTerminal(msg::SaveFailed()) << '\n' << output.string() << '\n';
        break;
    case RunOutcome::Failed:
        std::cerr << "vorn-search-cli: the run ended on an error: " << errorText << '\n';
        break;
    }
}

// What the options of crawl ask for.
struct CrawlOptions {
    fs::path output;
    bool newOnly = false;
    bool append = false;
    CsvEncoding encoding = CsvEncoding::Cp932;
};

// Nothing on a usage error, which has then been printed.
std::optional<CrawlOptions> ParseCrawlOptions(const std::vector<std::string>& arguments) {
    CrawlOptions options;
    std::optional<std::string> output;
    std::string wrong;
    for (std::size_t i = 0; i < arguments.size() && wrong.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--new-only") {
            options.newOnly = true;
        } else if (argument == "--append") {
            options.append = true;
        } else if (argument == "--encoding") {
            const std::string value = i + 1 < arguments.size() ? arguments[++i] : std::string();
            if (value == "cp932") {
                options.encoding = CsvEncoding::Cp932;
            } else if (value == "utf-8") {
                options.encoding = CsvEncoding::Utf8;
            } else {
                wrong = "--encoding takes cp932 or utf-8";
            }
        } else if (argument.starts_with("--")) {
            wrong = "unknown option for crawl: " + argument;
        } else if (output || argument.empty()) {
            wrong = "crawl takes one argument, the CSV file to write";
        } else {
            output = argument;
        }
    }
    if (wrong.empty() && !output) {
        wrong = "crawl takes one argument, the CSV file to write";
    }
    if (!wrong.empty()) {
        std::cerr << "vorn-search-cli: " << wrong << "\n\n";
        PrintUsage(std::cerr);
        return std::nullopt;
    }
    options.output = *output;
    return options;
}

// Runs the job on this thread, front end calls included, until it hands back.
int RunJob(ProgramSession& session, CrawlSelection selection, const CrawlOptions& options) {
    const SiteSettings site = session.UseSite();
    const fs::path output = selection.csvFileName;

    TerminalProgress progress(std::cout, ::isatty(STDOUT_FILENO) != 0, [] { return TerminalColumns(STDOUT_FILENO); });
    progress.ShowStatus(ForTerminal(msg::Fetching()));

    bool stopRequested = false;
    std::optional<StopSignals> stopSignals;
    TerminalFrontEnd frontEnd(session.db(), std::move(selection), progress, [&stopSignals] { stopSignals->Poll(); });
    if (options.newOnly) {
        frontEnd.SkipCollectedBefore();
    }
    CrawlWorker job(frontEnd, CrawlConfig{session.programDir(), site.baseUrl});
    stopSignals.emplace(&job.stopFlag(), [&](int) {
        if (!stopRequested) {
            stopRequested = true;
            progress.Note("stopping at the next stop point...");
        }
    });

    job.Execute();
    stopSignals->Poll();
    progress.Finish();

    const int crawlResult = frontEnd.result().value_or(kNoRows);
    const RunOutcome outcome = OutcomeOf(crawlResult, stopRequested, !job.errorText().empty());
    ReportOutcome(outcome, output, job.errorText());
    if (job.lostCharacters() > 0) {
        std::cout << job.lostCharacters()
                  << " characters that code page 932 lacks were written as \"?\"; --encoding utf-8 keeps them\n";
    }
    return ExitCodeFor(outcome);
}

} // namespace

int RunCrawlCommand(const std::vector<std::string>& arguments) {
    const std::optional<CrawlOptions> options = ParseCrawlOptions(arguments);
    if (!options) {
        return kExitRefused;
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    const ProfileFile& settings = session->settings();
    if (!settings.Exists()) {
        std::cerr << "vorn-search-cli: no saved conditions in " << settings.path().string() << '\n';
    }
    const SavedConditions saved = ReadSavedConditions(settings);

    CatalogueDb& db = session->db();
    CrawlSelection selection;
    try {
        selection = SelectionFromSaved(saved, db);
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    const std::string refusal =
        StartRefusal(selection.areaChecked, selection.ctgrIndexList, selection.saveImages, AnsiToUtf8(saved.imageDir));
    if (!refusal.empty()) {
        return Refuse(refusal, kExitRefused);
    }

    std::error_code error;
    const fs::path output = fs::absolute(options->output, error);
    if (options->append) {
        // Rows of another layout or encoding, or after another program's header, would make
        // the file unreadable as one table.
        if (!error && fs::exists(output, error) && !IsOwnCsvFile(output, options->encoding)) {
            return Fail(output.string() + " is not a CSV file of this program in that encoding; --append leaves it "
                                          "as it is",
                        kExitRefused);
        }
    } else if (error || !RemoveOldOutput(output)) {
        return Refuse(msg::FileInUse(), kExitCsvFailed);
    }
    selection.csvFileName = output;
    selection.appendOutput = options->append;
    selection.csvEncoding = options->encoding;
    selection.countLostCharacters = options->encoding == CsvEncoding::Cp932;
    try {
        db.Execute(sql::kDeleteSeen);
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }

    return RunJob(*session, std::move(selection), *options);
}

} // namespace vorn::cli
