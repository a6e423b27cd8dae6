#include "app/cli/store_commands.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "app/cli/commands.h"
#include "app/cli/exit_codes.h"
#include "app/cli/history_command.h"
#include "app/cli/program_session.h"
#include "app/cli/terminal_messages.h"
#include "app/cli/terminal_progress.h"
#include "app/core/run_export.h"
#include "app/core/run_options.h"
#include "app/core/run_output.h"
#include "extract/csv_output.h"
#include "watch/listing_store.h"
#include "watch/workbook.h"
#include "web/cp932.h"
#include "web/shown_text.h"
#include "web/stand_ins.h"

namespace vorn::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

int UsageError(const std::string& text) {
    std::cerr << "vorn-search-cli: " << text << "\n\n";
    PrintUsage(std::cerr);
    return kExitRefused;
}

struct StoreArguments {
    std::string since;
    std::vector<ChangeKind> kinds;
    std::optional<CsvEncoding> encoding;
    std::optional<std::int64_t> run; // export --run N
    fs::path output;
    std::string error;
};

std::optional<std::int64_t> RunNumber(const std::string& text) {
    if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::int64_t number = std::stoll(text);
    return number > 0 ? std::optional<std::int64_t>(number) : std::nullopt;
}

// Options as "--name value" or "--name=value"; what takes no option is the output file.
StoreArguments ParseStoreArguments(const std::vector<std::string>& arguments, bool changes) {
    StoreArguments parsed;
    bool outputGiven = false;
    for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> value;
        if (option.starts_with("--")) {
            if (const std::size_t equals = option.find('='); equals != std::string::npos) {
                value = option.substr(equals + 1);
                option.resize(equals);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            }
            if (!value && (option == "--encoding" || (changes && (option == "--since" || option == "--kind")) ||
                           (!changes && option == "--run"))) {
                parsed.error = option + " takes a value";
                break;
            }
        }
        if (option == "--encoding") {
            if (*value == "cp932") {
                parsed.encoding = CsvEncoding::Cp932;
            } else if (*value == "utf-8") {
                parsed.encoding = CsvEncoding::Utf8;
            } else {
                parsed.error = "--encoding takes cp932 or utf-8";
            }
        } else if (changes && option == "--since") {
            parsed.since = *value;
            if (!IsCalendarDate(parsed.since)) {
                parsed.error = "--since takes a day as YYYY-MM-DD";
            }
        } else if (changes && option == "--kind") {
            const std::optional<ChangeKind> kind = ChangeKindOf(UTF8ToAnsi(*value));
            if (!kind) {
                parsed.error = "--kind takes 新着, 再掲載, 値下げ, 値上げ or 受付終了, not \"" + *value + "\"";
            } else {
                parsed.kinds.push_back(*kind);
            }
        } else if (!changes && option == "--run") {
            parsed.run = RunNumber(*value);
            if (!parsed.run) {
                parsed.error = "--run takes a run's number as runs lists it, not \"" + *value + "\"";
            }
        } else if (option.starts_with("--")) {
            parsed.error = "unknown option: " + arguments[i - (value ? 1 : 0)];
        } else if (outputGiven || option.empty()) {
            parsed.error = option.empty() ? "the output file name is empty" : "more than one output file";
        } else {
            parsed.output = option;
            outputGiven = true;
        }
    }
    if (!parsed.error.empty()) {
        return parsed;
    }
    const bool workbook = !parsed.output.empty() && IsWorkbookName(parsed.output);
    if (changes && workbook) {
        parsed.error = "changes writes a CSV file, not a workbook (.xlsx)";
    } else if (parsed.encoding && (parsed.output.empty() || workbook)) {
        parsed.error = parsed.output.empty() ? "--encoding is for an output file"
                                             : "--encoding is for a CSV file, not a workbook (.xlsx)";
    } else if (!changes && parsed.output.empty()) {
        parsed.error = "export takes the output file";
    }
    return parsed;
}

// The file's lines written in the encoding; a file left half written is removed.
class CsvOutput {
public:
    CsvOutput(fs::path path, CsvEncoding encoding) : path_(std::move(path)), encoding_(encoding) {}

    // Creates the file with its first bytes, already in the encoding.
    bool Open(std::string_view start) {
        if (!file_.Open(path_)) {
            return false;
        }
        opened_ = true;
        return file_.WriteRaw(start);
    }
    bool WriteLine(const std::string& lineCp932) {
        return file_.WriteLine(encoding_ == CsvEncoding::Utf8 ? AnsiToUtf8(lineCp932) : lineCp932);
    }
    // A line already in the file's encoding.
    bool WriteEncodedLine(const std::string& line) { return file_.WriteLine(line); }
    // Closes the file; when it fails, or ok is false, removes what was made of it.
    bool Close(bool ok) {
        ok = file_.Close() && ok;
        if (!ok && opened_) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
        return ok;
    }

private:
    fs::path path_;
    CsvEncoding encoding_;
    CsvFile file_;
    bool opened_ = false;
};

int CannotWrite(const fs::path& output) { return Fail(output.string() + " cannot be written", kExitCsvFailed); }

std::string ChangeLine(const StoredChange& change) {
    std::string line = change.when.substr(0, 10) + " " + ShownTextOfAnsi(change.kind);
    if (!change.title.empty()) {
        line += " " + ShownTextOfAnsi(CleanField(change.title));
    }
    if (!change.before.empty() || !change.after.empty()) {
        line += " " + ShownTextOfAnsi(change.before) + " → " + ShownTextOfAnsi(change.after);
    }
    // Titles and addresses are the site's: a title may hold escape sequences.
    return PrintableText(line + " " + change.url);
}

// A CSV row of the values as the program shows them, in the file's encoding. In UTF-8 the
// characters CP932 lacks pass the CSV writer as stand-ins, as a crawl's rows do.
std::string ShownRow(const std::vector<std::string>& valuesCp932, CsvEncoding encoding) {
    StandIns standIns;
    std::string row;
    for (const std::string& value : valuesCp932) {
        const std::string shown = ShownTextOfAnsi(CleanField(value));
        AppendCsvValue(row, UTF8ToAnsi(encoding == CsvEncoding::Utf8 ? standIns.Replace(shown) : shown));
    }
    return encoding == CsvEncoding::Utf8 ? standIns.Restore(row) : row;
}

int WriteChanges(const std::vector<StoredChange>& changes, const fs::path& output, CsvEncoding encoding) {
    std::string header;
    for (const char* title : {"日付", "変化", "商品名", "変化前", "変化後", "詳細ページURL"}) {
        AppendCsvValue(header, UTF8ToAnsi(title));
    }
    CsvOutput file(output, encoding);
    bool ok = file.Open(encoding == CsvEncoding::Utf8 ? std::string(kByteOrderMark) + AnsiToUtf8(header) + "\r\n"
                                                      : header + "\r\n");
    for (auto change = changes.begin(); ok && change != changes.end(); ++change) {
        ok = file.WriteEncodedLine(ShownRow(
            {change->when.substr(0, 10), change->kind, change->title, change->before, change->after, change->url},
            encoding));
    }
    return file.Close(ok) ? kExitRowsWritten : CannotWrite(output);
}

} // namespace

int RunChangesCommand(const std::vector<std::string>& arguments) {
    const StoreArguments parsed = ParseStoreArguments(arguments, true);
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    std::vector<StoredChange> changes;
    try {
        changes = StoredChanges(session->db(), parsed.since, parsed.kinds);
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    if (!parsed.output.empty()) {
        std::error_code error;
        const fs::path output = fs::absolute(parsed.output, error);
        if (error) {
            return CannotWrite(parsed.output);
        }
        if (std::string refusal = RunningCrawlOutputRefusal(session->programDir(), output); !refusal.empty()) {
            return Fail(refusal, kExitRefused);
        }
        const int code = WriteChanges(changes, output, parsed.encoding.value_or(CsvEncoding::Cp932));
        if (code == kExitRowsWritten) {
            std::cout << "changes written: " << changes.size() << '\n';
        }
        return code;
    }
    if (changes.empty()) {
        std::cout << "no changes found\n";
    }
    for (const StoredChange& change : changes) {
        std::cout << ChangeLine(change) << '\n';
    }
    return kExitRowsWritten;
}

int RunExportCommand(const std::vector<std::string>& arguments) {
    const StoreArguments parsed = ParseStoreArguments(arguments, false);
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    std::optional<StoredRun> run;
    try {
        const std::optional<std::int64_t> runId = parsed.run ? parsed.run : LastRunWithRows(session->db());
        run = runId ? StoredRunOf(session->db(), *runId) : std::nullopt;
        if (parsed.run && !run) {
            return Fail("there is no run " + std::to_string(*parsed.run) + "; runs lists those kept", kExitRefused);
        }
        if (!run || RunRowsAfter(session->db(), run->id, 0, 1).empty()) {
            std::cout << (parsed.run ? "run " + std::to_string(*parsed.run) + " wrote no rows to export\n"
                                     : std::string("no run has written rows to export\n"));
            return kExitNoItems;
        }
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    std::error_code error;
    const fs::path output = fs::absolute(parsed.output, error);
    if (error) {
        return CannotWrite(parsed.output);
    }
    if (std::string refusal = RunningCrawlOutputRefusal(session->programDir(), output); !refusal.empty()) {
        return Fail(refusal, kExitRefused);
    }
    std::optional<std::int64_t> rows;
    try {
        rows =
            ExportRunRows(session->db(), *run, output, ExportFormatFor(output, parsed.encoding == CsvEncoding::Utf8));
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    if (!rows) {
        return CannotWrite(output);
    }
    std::cout << "rows written: " << *rows << '\n';
    return kExitRowsWritten;
}

} // namespace vorn::cli
