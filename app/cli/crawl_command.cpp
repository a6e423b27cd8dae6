#include "app/cli/crawl_command.h"

#include <atomic>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include <unistd.h>

#include "app/cli/commands.h"
#include "app/cli/crawl_arguments.h"
#include "app/cli/exit_codes.h"
#include "app/cli/named_conditions.h"
#include "app/cli/notify_command.h"
#include "app/cli/program_session.h"
#include "app/cli/stop_signals.h"
#include "app/cli/terminal_front_end.h"
#include "app/cli/terminal_messages.h"
#include "app/cli/terminal_progress.h"
#include "app/core/filter_settings.h"
#include "app/core/messages.h"
#include "app/core/notify_settings.h"
#include "app/core/program_dir.h"
#include "app/core/run_conditions.h"
#include "app/core/run_options.h"
#include "app/core/run_output.h"
#include "app/core/saved_conditions.h"
#include "app/core/saved_schedule.h"
#include "catalogue/catalogue_db.h"
#include "catalogue/statements.h"
#include "crawl/crawl_worker.h"
#include "watch/run_watch.h"
#include "watch/workbook.h"
#include "web/cp932.h"

namespace vorn::cli {

namespace {

namespace fs = std::filesystem;

void ReportOutcome(RunOutcome outcome, const fs::path& output, const CrawlWorker& job, WriteMode mode) {
    switch (outcome) {
    case RunOutcome::RowsWritten: {
        const std::string completed = ForTerminal(msg::RunCompleted());
        std::cout << completed.substr(0, completed.find('\n')) << '\n' << output.string() << '\n';
        break;
    }
    case RunOutcome::NothingFound:
        std::cout << ForTerminal(NothingFoundText(mode)) << '\n';
        break;
    case RunOutcome::Stopped:
        std::cout << "stopped; the rows written so far are in " << output.string() << '\n';
        break;
    case RunOutcome::SiteUnreachable:
        std::cerr << ForTerminal(msg::SiteUnreachable()) << '\n';
        break;
    case RunOutcome::PagesUnrecognised:
        std::cerr << ForTerminal(msg::PagesUnrecognised()) << '\n';
        break;
    case RunOutcome::SiteRefused:
        std::cerr << ForTerminal(SiteRefusedText(job)) << '\n';
        break;
    case RunOutcome::NotSaved:
        std::cerr << ForTerminal(msg::SaveFailed()) << '\n' << output.string() << '\n';
        break;
    case RunOutcome::Failed:
        std::cerr << "vorn-search-cli: the run ended on an error: " << PrintableText(job.errorText()) << '\n';
        break;
    }
}

WriteMode ModeOf(const CrawlArguments& options) {
    if (options.savedMode) {
        return *options.savedMode;
    }
    return options.changesOnly ? WriteMode::ChangesOnly : options.newOnly ? WriteMode::NewOnly : WriteMode::All;
}

// Runs the job on this thread, front end calls included, until it hands back.
int RunJob(ProgramSession& session, CrawlSelection selection, const CrawlArguments& options,
           const FilterSettings& filter) {
    const SiteSettings site = session.UseSite();
    const fs::path output = selection.csvFileName;

    std::ostream nowhere(nullptr);
    TerminalProgress progress(options.quiet ? nowhere : std::cout, !options.quiet && ::isatty(STDOUT_FILENO) != 0,
                              [] { return TerminalColumns(STDOUT_FILENO); });
    progress.ShowStatus(ForTerminal(msg::Fetching()));

    bool stopRequested = false;
    std::optional<StopSignals> stopSignals;
    TerminalFrontEnd frontEnd(session.db(), selection, progress, [&stopSignals] { stopSignals->Poll(); });
    if (ModeOf(options) == WriteMode::NewOnly) {
        frontEnd.SkipCollectedBefore();
    }
    RunWatch watch(session.db(), ModeOf(options), filter);
    watch.Begin(selection, WriteModeName(watch.mode()));
    // A schedule runs the program quiet; the history marks its runs as automatic.
    if (options.quiet) {
        watch.MarkAutomatic();
    }
    if (auto* book = dynamic_cast<Workbook*>(selection.rowSink.get())) {
        book->SetMarket(&watch.market());
    }
    frontEnd.SetWatch(&watch);
    CrawlConfig config{session.programDir(), site.baseUrl};
    config.retries = options.retries.value_or(site.retries);
    CrawlWorker job(frontEnd, config);
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
    watch.End(OutcomeWord(outcome));
    ReportOutcome(outcome, output, job, watch.mode());
    std::cout.flush();
    for (const std::string& line : PageLines(outcome, job)) {
        std::cerr << ForTerminal(line) << '\n';
    }
    if (job.lostCharacters() > 0) {
        std::cout << job.lostCharacters()
                  << " characters that code page 932 lacks were written as \"?\"; --encoding utf-8 keeps them\n";
    }
    std::cout << ForTerminal(CountsLine(watch.counts())) << '\n';
    // A message that fails is told, and changes nothing of how the run ended.
    const NotifySettings notify = ReadNotifySettings(session.settings(), session.programDir());
    if (notify.anyConfigured()) {
        std::cout.flush();
        AlertTransport transport = AlertTransportFor(site, session.programDir());
        transport.retries = config.retries;
        // A signal now ends the message at once and the run as a stop ends it: a service that
        // never answers must not keep systemd or the user waiting. A run stopped before still
        // sends its message.
        std::atomic<bool>& stopFlag = job.stopFlag();
        stopFlag.store(false);
        transport.stopRequested = [&stopFlag] { return stopFlag.load(); };
        const std::vector<ChannelResult> results = SendRunAlert(
            notify, AlertOf(watch, notify.bargain, options.savedName.value_or(""), FailureText(outcome, job)),
            transport);
        if (stopFlag.load()) {
            PrintAlertsStopped(results);
            const ExitCode code = ExitCodeFor(outcome);
            return code == kExitCsvFailed || code == kExitRefused ? code : kExitStopped;
        }
        PrintAlertFailures(results);
    }
    return ExitCodeFor(outcome);
}

int RunCrawl(CrawlArguments& parsed) {
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    if (std::string refusal = RunningCrawlOutputRefusal(session->programDir(), parsed.output); !refusal.empty()) {
        return Fail(refusal, kExitRefused);
    }
    if (!session->TakeRunLock(parsed.waitMinutes)) {
        return kExitRefused;
    }
    // The run's filters, for the listing watch that leaves listings out. Both sources are
    // checked here, before any request.
    FilterSettings filter = parsed.filter;
    if (!parsed.noFilter) {
        FilterReading reading = ReadFilterSettings(session->settings());
        if (reading.refusal.empty()) {
            reading = CombineFilters(reading.settings, parsed.filter);
        }
        if (!reading.refusal.empty()) {
            return Refuse("vorn-search-cli: " + reading.refusal, kExitRefused);
        }
        filter = std::move(reading.settings);
    }
    CatalogueDb& db = session->db();
    SavedConditions saved;
    // The folder as the file system spells it: code page 932 cannot hold every name.
    std::string imageDirText;
    try {
        if (parsed.named.Any()) {
            // Named conditions stand alone: the saved ones are neither read nor written.
            NamedChoice choice = ChoiceFromNames(parsed.named, db);
            if (!choice.refusal.empty()) {
                return Fail(choice.refusal, kExitRefused);
            }
            saved = std::move(choice.saved);
            imageDirText = parsed.named.imageFolder.value_or("");
        } else if (parsed.savedName) {
            const SavedSearchRead read = ReadSavedSearch(session->settings(), UTF8ToAnsi(*parsed.savedName));
            if (!read.search) {
                return Fail(UnknownSavedSearch(*parsed.savedName, session->settings()), kExitRefused);
            }
            if (!read.refusal.empty()) {
                return Fail(AnsiToUtf8(read.refusal), kExitRefused);
            }
            if (parsed.output.empty()) {
                const std::string output = DatedOutput(AnsiToUtf8(read.search->output), LocalDateToday());
                if (output.empty()) {
                    return Fail("the saved search " + *parsed.savedName +
                                    " has no output file: name OUTPUT, or give it one with schedule --output",
                                kExitRefused);
                }
                if (!parsed.encodingGiven && read.search->outputUtf8) {
                    parsed.encoding = CsvEncoding::Utf8;
                }
                if (std::string refusal = SetCrawlOutput(parsed, output); !refusal.empty()) {
                    return Fail(refusal, kExitRefused);
                }
            }
            saved = read.search->conditions;
            imageDirText = AnsiToUtf8(saved.imageDir);
            parsed.savedMode = read.search->mode;
            parsed.savedFilter = read.search->filter;
        } else {
            const ProfileFile& settings = session->settings();
            if (!settings.Exists()) {
                std::cerr << "vorn-search-cli: no saved conditions in " << settings.path().string() << '\n';
            }
            saved = ReadSavedConditions(settings);
            imageDirText = AnsiToUtf8(saved.imageDir);
        }
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    // A saved search's filters stand in place of [Filter], as the window runs it.
    if (parsed.savedFilter && !parsed.noFilter) {
        FilterReading reading = CombineFilters(*parsed.savedFilter, parsed.filter);
        if (!reading.refusal.empty()) {
            return Refuse("vorn-search-cli: " + reading.refusal, kExitRefused);
        }
        filter = std::move(reading.settings);
    }

    CrawlSelection selection;
    try {
        selection = SelectionFromSaved(saved, db);
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    if (parsed.named.keyword) {
        selection.keywordUtf8 = *parsed.named.keyword;
    }
    const std::string refusal =
        StartRefusal(selection.areaChecked, selection.ctgrIndexList, selection.saveImages, imageDirText);
    if (!refusal.empty()) {
        return Refuse(refusal, kExitRefused);
    }
    if (selection.saveImages) {
        selection.imageDir = ImageFolderPath(imageDirText);
    }

    std::error_code error;
    const fs::path output = fs::absolute(parsed.output, error);
    if (parsed.append) {
        // Rows of another layout or encoding, or after another program's header, would make
        // the file unreadable as one table.
        if (!error && fs::exists(output, error) &&
            !IsOwnCsvFile(output, parsed.encoding, ModeOf(parsed) == WriteMode::ChangesOnly)) {
            return Fail(output.string() + " is not a CSV file of this program in that encoding; --append leaves it "
                                          "as it is",
                        kExitRefused);
        }
    } else if (error || !PrepareOutput(output, ModeOf(parsed), parsed.workbook)) {
        return Refuse(msg::FileInUse(), kExitCsvFailed);
    }
    selection.csvFileName = output;
    selection.appendOutput = parsed.append;
    selection.outputOnFirstRow = OutputWaitsForFirstRow(ModeOf(parsed));
    selection.csvEncoding = parsed.encoding;
    selection.countLostCharacters = parsed.encoding == CsvEncoding::Cp932 && !parsed.workbook;
    if (parsed.workbook) {
        selection.rowSink = std::make_shared<Workbook>();
    }
    try {
        db.Execute(sql::kDeleteSeen);
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }

    const RunOutputRecord outputRecord(session->programDir(), output);
    return RunJob(*session, std::move(selection), parsed, filter);
}

} // namespace

int RunCrawlCommand(const std::vector<std::string>& arguments) {
    CrawlArguments parsed = ParseCrawlArguments(arguments);
    if (!parsed.error.empty()) {
        std::cerr << "vorn-search-cli: " << parsed.error << "\n\n";
        PrintUsage(std::cerr);
        return kExitRefused;
    }
    // A run into the saved output is how the search's timer runs it: its end is kept for list
    // schedules and the window.
    const bool intoSavedOutput = parsed.savedName && parsed.output.empty();
    const int exitCode = RunCrawl(parsed);
    if (intoSavedOutput) {
        const fs::path programDir = ProgramDir();
        const SavedSearchRead read =
            ReadSavedSearch(ProfileFile(SettingsFilePath(programDir)), UTF8ToAnsi(*parsed.savedName));
        if (read.search) {
            RecordScheduledRun(programDir, read.search->name, exitCode);
        }
    }
    return exitCode;
}

} // namespace vorn::cli
