#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "extract/item_fields.h"

namespace vorn {

// The header line (CP932, without its line end).
const std::string& CsvHeader();

// How the CSV file's text is written: code page 932, or UTF-8 with a byte-order mark.
enum class CsvEncoding { Cp932, Utf8 };

// The title of the column a row's change goes in, after the 25 (CP932).
const std::string& ChangeColumnTitle();

// The first bytes of a file of this program in encoding: the byte-order mark if any, the header
// (with the change column's title when withChange) and its line end.
std::string CsvFileStart(CsvEncoding encoding, bool withChange = false);
// True when the file begins with CsvFileStart(encoding, withChange).
bool IsOwnCsvFile(const std::filesystem::path& path, CsvEncoding encoding, bool withChange = false);

// The twelve entity and space replacements every value goes through before it is written.
std::string CleanField(std::string_view value);

// One row (CP932, without its line end): each value cleaned, quotes inside doubled, quoted,
// followed by a comma, the last one included.
std::string BuildCsvRow(const ItemFields& fields);
// Appends one more value to a row, cleaned, quoted and followed by its comma as the others.
void AppendCsvValue(std::string& row, std::string_view value);

// The run's output file: CP932 text with CR LF line ends. Each line reaches the disk as it is
// written, so a crash or a kill loses at most the line in progress, and a line that cannot be
// written whole is taken back, so the file always ends after a whole line.
class CsvFile {
public:
    CsvFile() = default;
    ~CsvFile();
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    // Creates or empties the file. False when it cannot be created.
    bool Open(const std::filesystem::path& path);
    // Opens the file to write after its last line, creating it if missing. False when it cannot
    // be opened.
    bool OpenForAppend(const std::filesystem::path& path);
    // True while nothing has been written to the file, nor was in it when it was opened.
    bool IsEmpty() const { return end_ == 0; }
    // Writes bytes as they are (a byte-order mark). False on any failure.
    bool WriteRaw(std::string_view bytes);
    // Writes text followed by a line end (every LF written becomes CR LF). False on any failure.
    bool WriteLine(std::string_view text);
    // Closes the file; false when the last bytes, or any line before them, could not be written.
    bool Close();
    bool IsOpen() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    // Where the last whole line ends, kept here rather than asked of the file before every line.
    off_t end_ = 0;
    // Appending to a file whose last line has no CR LF: the next line starts with one.
    bool lastLineOpen_ = false;
};

} // namespace vorn
