#include "extract/csv_output.h"

#include <utility>
#include <vector>

#include <unistd.h>

#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

using Replacement = std::pair<std::string, std::string>;

const std::string& IdeographicSpace() {
    static const std::string space = UTF8ToAnsi("　");
    return space;
}

// Applied after the ideographic space, in this order: "&amp;" first, so a doubly escaped entity
// is decoded twice.
const std::vector<Replacement>& EntityReplacements() {
    static const std::vector<Replacement> replacements = {
        {"&amp;", "&"},
        {"&nbsp;", " "},
        {"&gt;", ">"},
        {"&lt;", "<"},
        {"&rArr;", UTF8ToAnsi("→")},
        {"&times;", UTF8ToAnsi("×")},
        {"&rsquo;", "'"},
        {"&#39;", "'"},
        {"&#039;", "'"},
        {"&middot;", UTF8ToAnsi("・")},
        {"&alpha;", UTF8ToAnsi("α")},
    };
    return replacements;
}

// CleanField on the value itself; a value with nothing to replace is only searched, once for
// the space and once for an ampersand.
void CleanFieldInPlace(std::string& value) {
    ReplaceAllNoCaseInPlace(value, IdeographicSpace(), " ");
    // Every entity starts with "&" and no replacement brings in an "&" that was not there.
    if (value.find('&') == std::string::npos) {
        return;
    }
    for (const auto& [from, to] : EntityReplacements()) {
        ReplaceAllNoCaseInPlace(value, from, to);
    }
}

// A quote byte is never part of a CP932 two-byte character, so doubling it byte-wise is safe.
void AppendDoublingQuotes(std::string& out, std::string_view value) {
    for (std::size_t quote = value.find('"'); quote != std::string_view::npos; quote = value.find('"')) {
        out.append(value.substr(0, quote + 1));
        out += '"';
        value.remove_prefix(quote + 1);
    }
    out.append(value);
}

// What a text-mode stream puts on disk for text plus its line end.
std::string WithCrLfLineEnd(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    out += "\r\n";
    return out;
}

bool EndsWithCrLf(const std::filesystem::path& path, off_t size) {
    if (size < 2) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return true; // nothing to mend that can be seen
    }
    char last[2] = {};
    const bool read = std::fseek(file, -2, SEEK_END) == 0 && std::fread(last, 1, 2, file) == 2;
    std::fclose(file);
    return !read || (last[0] == '\r' && last[1] == '\n');
}

} // namespace

const std::string& CsvHeader() {
    static const std::string header = UTF8ToAnsi(
        "\"投稿ID\",\"商品名\",\"商品説明\",\"価格\",\"受付有無\",\"ジャンル\",\"取引・受け渡し場所\",\"投稿者名\","
        "\"投稿者性別\",\"投稿数\",\"認証\",\"紹介文\",\"良い評価\",\"普通評価\",\"悪い評価\",\"お気に入り登録数\","
        "\"ページ更新日\",\"ページ作成日\",\"商品画像URL1\",\"商品画像URL2\",\"商品画像URL3\",\"商品画像URL4\","
        "\"商品画像URL5\",\"投稿者プロフィールページURL\",\"詳細ページURL\"");
    return header;
}

const std::string& ChangeColumnTitle() {
    static const std::string title = UTF8ToAnsi("変化");
    return title;
}

std::string CsvFileStart(CsvEncoding encoding, bool withChange) {
    std::string header = CsvHeader();
    if (withChange) {
        header += ",\"" + ChangeColumnTitle() + "\"";
    }
    if (encoding == CsvEncoding::Utf8) {
        return std::string(kUtf8ByteOrderMark) + AnsiToUtf8(header) + "\r\n";
    }
    return header + "\r\n";
}

bool IsOwnCsvFile(const std::filesystem::path& path, CsvEncoding encoding, bool withChange) {
    const std::string start = CsvFileStart(encoding, withChange);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::string first(start.size(), '\0');
    const std::size_t read = std::fread(first.data(), 1, first.size(), file);
    std::fclose(file);
    return read == start.size() && first == start;
}

std::string CleanField(std::string_view value) {
    std::string cleaned(value);
    CleanFieldInPlace(cleaned);
    return cleaned;
}

std::string BuildCsvRow(const ItemFields& fields) {
    std::size_t size = 0;
    for (const std::string& field : fields) {
        size += field.size() + 3;
    }
    std::string row;
    row.reserve(size + size / 16);
    std::string cleaned;
    for (const std::string& field : fields) {
        cleaned.assign(field);
        CleanFieldInPlace(cleaned);
        row += '"';
        AppendDoublingQuotes(row, cleaned);
        row += "\",";
    }
    return row;
}

void AppendCsvValue(std::string& row, std::string_view value) {
    std::string cleaned(value);
    CleanFieldInPlace(cleaned);
    row += '"';
    AppendDoublingQuotes(row, cleaned);
    row += "\",";
}

CsvFile::~CsvFile() { Close(); }

bool CsvFile::Open(const std::filesystem::path& path) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ != nullptr) {
        // Unbuffered: each line goes to the disk as one write, so a crash loses at most the line
        // in progress and a failed line leaves nothing behind in a buffer.
        std::setvbuf(file_, nullptr, _IONBF, 0);
    }
    end_ = 0;
    lastLineOpen_ = false;
    return file_ != nullptr;
}

bool CsvFile::OpenForAppend(const std::filesystem::path& path) {
    Close();
    file_ = std::fopen(path.c_str(), "ab");
    if (file_ == nullptr) {
        return false;
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);
    std::fseek(file_, 0, SEEK_END);
    end_ = static_cast<off_t>(std::ftell(file_));
    lastLineOpen_ = end_ > 0 && !EndsWithCrLf(path, end_);
    return end_ >= 0;
}

bool CsvFile::WriteLine(std::string_view text) {
    // A file whose last line lacks its line end would have the first new row glued onto it.
    if (lastLineOpen_) {
        if (!WriteRaw("\r\n")) {
            return false;
        }
        lastLineOpen_ = false;
    }
    return WriteRaw(WithCrLfLineEnd(text));
}

bool CsvFile::WriteRaw(std::string_view bytes) {
    if (file_ == nullptr) {
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) {
        end_ += static_cast<off_t>(bytes.size());
        return true;
    }
    // A line cut short (a full disk) would leave a file that no CSV reader gets past: take the
    // part back, so the file ends after its last whole line.
    if (::ftruncate(::fileno(file_), end_) == 0) {
        std::fseek(file_, static_cast<long>(end_), SEEK_SET);
    }
    return false;
}

bool CsvFile::Close() {
    if (file_ == nullptr) {
        return true;
    }
    // A line that failed earlier left the file incomplete even when the final flush succeeds.
    const bool allWritten = std::ferror(file_) == 0;
    const bool complete = std::fclose(file_) == 0 && allWritten;
    file_ = nullptr;
    return complete;
}

} // namespace vorn
