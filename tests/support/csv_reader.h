#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::test {

using CsvRecord = std::vector<std::string>;

// A strict RFC 4180 reader, as a spreadsheet or a CSV library reads the program's file: records
// end in CR LF, a quoted field doubles its quotes and may hold commas and line breaks, an
// unquoted field holds neither quotes nor line breaks. Fields keep their bytes (CP932 here).
struct CsvParse {
    std::vector<CsvRecord> records;
    std::string error; // empty when the whole text was well formed; otherwise where it broke
};
CsvParse ParseCsv(std::string_view bytes);

} // namespace vorn::test
