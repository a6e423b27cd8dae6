#include "app/cli/market_command.h"

#include <array>
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
#include "extract/csv_output.h"
#include "watch/run_market.h"
#include "watch/workbook.h"
#include "web/cp932.h"

namespace vorn::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kColumns = 8;
constexpr std::array<const char*, kColumns> kTitles = {"日付",    "検索",   "件数",    "最安",
                                                       "下位25%", "中央値", "上位25%", "最高"};

struct MarketArguments {
    std::string since;
    std::optional<CsvEncoding> encoding;
    fs::path output;
    std::string error;
};

MarketArguments ParseMarketArguments(const std::vector<std::string>& arguments) {
    MarketArguments parsed;
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
        }
        if ((option == "--since" || option == "--encoding") && !value) {
            parsed.error = option + " takes a value";
        } else if (option == "--since") {
            parsed.since = *value;
            if (!IsCalendarDate(parsed.since)) {
                parsed.error = "--since takes a day as YYYY-MM-DD";
            }
        } else if (option == "--encoding") {
            if (*value == "cp932" || *value == "utf-8") {
                parsed.encoding = *value == "cp932" ? CsvEncoding::Cp932 : CsvEncoding::Utf8;
            } else {
                parsed.error = "--encoding takes cp932 or utf-8";
            }
        } else if (option.starts_with("--")) {
            parsed.error = "unknown option: " + option;
        } else if (!parsed.output.empty() || option.empty()) {
            parsed.error = option.empty() ? "the output file name is empty" : "more than one output file";
        } else {
            parsed.output = option;
        }
    }
    if (parsed.error.empty() && !parsed.output.empty() && IsWorkbookName(parsed.output)) {
        parsed.error = "market writes a CSV file, not a workbook (.xlsx)";
    } else if (parsed.error.empty() && parsed.encoding && parsed.output.empty()) {
        parsed.error = "--encoding is for an output file";
    }
    return parsed;
}

// A row's values in UTF-8: the run's start as yyyy/mm/dd hh:mm, the search, the whole yen.
std::array<std::string, kColumns> RowOf(const StoredFigures& stored) {
    std::string when = stored.started.substr(0, 16);
    for (const std::size_t at : {4, 7}) {
        if (at < when.size()) {
            when[at] = '/';
        }
    }
    const MarketFigures& f = stored.figures;
    return {when,
            AnsiToUtf8(f.search),
            std::to_string(f.count),
            std::to_string(f.lowest),
            std::to_string(f.lowerQuartile),
            std::to_string(f.median),
            std::to_string(f.upperQuartile),
            std::to_string(f.highest)};
}

// Columns padded to their widest value as a terminal shows it; the figures to the right.
void PrintTable(const std::vector<StoredFigures>& stored) {
    std::vector<std::array<std::string, kColumns>> rows;
    std::array<std::string, kColumns> header;
    for (std::size_t column = 0; column < kColumns; ++column) {
        header[column] = kTitles[column];
    }
    rows.push_back(header);
    for (const StoredFigures& figures : stored) {
        rows.push_back(RowOf(figures));
    }
    std::array<int, kColumns> widths{};
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < kColumns; ++column) {
            widths[column] = std::max(widths[column], DisplayWidth(row[column]));
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < kColumns; ++column) {
            const std::string padding(static_cast<std::size_t>(widths[column] - DisplayWidth(row[column])), ' ');
            const bool right = column >= 2;
            line += (column == 0 ? "" : "  ") + (right ? padding + row[column] : row[column]);
            if (!right && column + 1 < kColumns) {
                line += padding;
            }
        }
        std::cout << line << '\n';
    }
}

bool WriteMarket(const std::vector<StoredFigures>& stored, const fs::path& output, CsvEncoding encoding) {
    const auto encoded = [encoding](const std::string& utf8) {
        return encoding == CsvEncoding::Utf8 ? utf8 : UTF8ToAnsi(utf8);
    };
    std::string header;
    for (const char* title : kTitles) {
        AppendCsvValue(header, encoded(title));
    }
    CsvFile file;
    bool ok = file.Open(output) && file.WriteRaw(encoding == CsvEncoding::Utf8 ? "\xEF\xBB\xBF" : "") &&
              file.WriteLine(header);
    for (auto figures = stored.begin(); ok && figures != stored.end(); ++figures) {
        std::string line;
        for (const std::string& value : RowOf(*figures)) {
            AppendCsvValue(line, encoded(value));
        }
        ok = file.WriteLine(line);
    }
    ok = file.Close() && ok;
    if (!ok) {
        std::error_code ignored;
        fs::remove(output, ignored);
    }
    return ok;
}

} // namespace

int RunMarketCommand(const std::vector<std::string>& arguments) {
    const MarketArguments parsed = ParseMarketArguments(arguments);
    if (!parsed.error.empty()) {
        std::cerr << "vorn-search-cli: " << parsed.error << "\n\n";
        PrintUsage(std::cerr);
        return kExitRefused;
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    std::vector<StoredFigures> stored;
    try {
        stored = StoredMarket(session->db(), parsed.since);
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    if (parsed.output.empty()) {
        if (stored.empty()) {
            std::cout << "no going prices found\n";
        } else {
            PrintTable(stored);
        }
        return kExitRowsWritten;
    }
    std::error_code error;
    const fs::path output = fs::absolute(parsed.output, error);
    if (error || !WriteMarket(stored, output, parsed.encoding.value_or(CsvEncoding::Cp932))) {
        return Fail((error ? parsed.output : output).string() + " cannot be written", kExitCsvFailed);
    }
    std::cout << "going prices written: " << stored.size() << '\n';
    return kExitRowsWritten;
}

} // namespace vorn::cli
