#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "catalogue/catalogue_db.h"
#include "watch/run_history.h"

namespace vorn {

// What a run's rows are written again as: the CSV in either encoding, or a workbook.
enum class ExportFormat { Cp932, Utf8, Workbook };

// The format a name asks for: a workbook by its ending, else the CSV in the encoding given.
ExportFormat ExportFormatFor(const std::filesystem::path& output, bool utf8);

// Writes the run's rows again as the run wrote them: a CSV with the run's header (and 変化 when
// the run was changes-only) and its rows byte for byte in code page 932; a workbook with 変化 and
// no photographs. Answers the rows written, or nothing when the file could not be written, and
// then nothing is left of it. A store that cannot be read throws DbError, leaving no file either.
std::optional<std::int64_t> ExportRunRows(CatalogueDb& db, const StoredRun& run, const std::filesystem::path& output,
                                          ExportFormat format);

} // namespace vorn
