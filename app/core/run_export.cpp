#include "app/core/run_export.h"

#include <memory>
#include <system_error>
#include <vector>

#include "app/core/run_options.h"
#include "extract/csv_output.h"
#include "watch/workbook.h"
#include "web/cp932.h"
#include "web/shown_text.h"
#include "web/stand_ins.h"

namespace vorn {

namespace {

namespace fs = std::filesystem;

// Rows read from the store a page at a time, so a run of any size is written in flat memory.
constexpr int kPageRows = 1000;

// Writes one row; false when it could not be written.
class RowWriter {
public:
    virtual ~RowWriter() = default;
    virtual bool Write(const StoredRow& row) = 0;
    virtual bool Close() = 0;
    // True once the file was made: only then is a failed one removed.
    bool created = false;
};

class CsvWriter final : public RowWriter {
public:
    CsvWriter(CsvEncoding encoding, bool withChange) : encoding_(encoding), withChange_(withChange) {}

    bool Open(const fs::path& output) {
        created = file_.Open(output);
        return created && file_.WriteRaw(CsvFileStart(encoding_, withChange_));
    }
    bool Write(const StoredRow& row) override {
        std::string line = BuildCsvRow(row.fields);
        if (withChange_) {
            AppendCsvValue(line, row.change);
        }
        // The store keeps the characters code page 932 lacks as references.
        return file_.WriteLine(StandIns::Unreferenced(line, encoding_ == CsvEncoding::Utf8));
    }
    bool Close() override { return file_.Close(); }

private:
    CsvEncoding encoding_;
    bool withChange_;
    CsvFile file_;
};

class WorkbookWriter final : public RowWriter {
public:
    // The run's photographs are not linked again: the store keeps no trace of where they went.
    bool Open(const fs::path& output) {
        created = book_.Open(output, false);
        return created;
    }
    bool Write(const StoredRow& row) override {
        ItemFields valuesUtf8;
        for (int i = 0; i < kItemFieldCount; ++i) {
            valuesUtf8[i] = ShownTextOfAnsi(CleanField(row.fields[i]));
        }
        return book_.AddRow(valuesUtf8, ShownTextOfAnsi(row.change), {});
    }
    bool Close() override { return !book_.IsOpen() || book_.Close(); }

private:
    Workbook book_;
};

} // namespace

ExportFormat ExportFormatFor(const fs::path& output, bool utf8) {
    return IsWorkbookName(output) ? ExportFormat::Workbook : utf8 ? ExportFormat::Utf8 : ExportFormat::Cp932;
}

std::optional<std::int64_t> ExportRunRows(CatalogueDb& db, const StoredRun& run, const fs::path& output,
                                          ExportFormat format) {
    std::unique_ptr<RowWriter> writer;
    bool ok = false;
    if (format == ExportFormat::Workbook) {
        auto book = std::make_unique<WorkbookWriter>();
        ok = book->Open(output);
        writer = std::move(book);
    } else {
        // The change column is there when the run's own file had it.
        auto csv = std::make_unique<CsvWriter>(format == ExportFormat::Utf8 ? CsvEncoding::Utf8 : CsvEncoding::Cp932,
                                               run.mode == WriteModeName(WriteMode::ChangesOnly));
        ok = csv->Open(output);
        writer = std::move(csv);
    }
    const auto removeOutput = [&output, &writer] {
        if (writer->created) {
            std::error_code ignored;
            fs::remove(output, ignored);
        }
    };
    std::int64_t written = 0;
    try {
        std::int64_t after = 0;
        while (ok) {
            const std::vector<StoredRunRow> page = RunRowsAfter(db, run.id, after, kPageRows);
            for (auto row = page.begin(); ok && row != page.end(); ++row) {
                ok = writer->Write(row->row);
                written += ok ? 1 : 0;
            }
            if (page.size() < static_cast<std::size_t>(kPageRows)) {
                break;
            }
            after = page.back().seq;
        }
    } catch (const DbError&) {
        writer->Close();
        removeOutput();
        throw;
    }
    ok = writer->Close() && ok;
    if (!ok) {
        removeOutput();
        return std::nullopt;
    }
    return written;
}

} // namespace vorn
