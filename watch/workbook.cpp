#include "watch/workbook.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>
#include <xlsxwriter.h>
#include <zip.h>

#include "extract/csv_output.h"
#include "watch/market_sheet.h"
#include "watch/price.h"
#include "watch/run_market.h"
#include "web/cp932.h"

namespace vorn {

namespace {

constexpr int kChangeColumn = kItemFieldCount;
constexpr int kPhotoColumn = kItemFieldCount + 1;
// What Excel takes in a link, the links one sheet can hold, and the characters of a cell.
constexpr std::size_t kMostUrlBytes = 2079;
constexpr unsigned kMostLinks = 65530;
constexpr std::size_t kMostCellCharacters = 32767;
// A row with a photograph is this tall, the photograph at most this wide.
constexpr double kPhotoRowPoints = 60;
constexpr double kPhotoPixels = 80;
constexpr double kPhotoColumnWidth = 14;

enum class Kind { Text, Price, Count, Date, Link };

struct Column {
    Kind kind;
    double width; // in characters: the title and a typical value
};

constexpr std::array<Column, kItemFieldCount> kColumns{{
    {Kind::Text, 12},  // 投稿ID
    {Kind::Text, 36},  // 商品名
    {Kind::Text, 48},  // 商品説明
    {Kind::Price, 12}, // 価格
    {Kind::Text, 10},  // 受付有無
    {Kind::Text, 14},  // ジャンル
    {Kind::Text, 20},  // 取引・受け渡し場所
    {Kind::Text, 16},  // 投稿者名
    {Kind::Text, 11},  // 投稿者性別
    {Kind::Count, 8},  // 投稿数
    {Kind::Text, 12},  // 認証
    {Kind::Text, 30},  // 紹介文
    {Kind::Count, 10}, // 良い評価
    {Kind::Count, 10}, // 普通評価
    {Kind::Count, 10}, // 悪い評価
    {Kind::Count, 16}, // お気に入り登録数
    {Kind::Date, 17},  // ページ更新日
    {Kind::Date, 17},  // ページ作成日
    {Kind::Link, 40},  // 商品画像URL1
    {Kind::Link, 40},  {Kind::Link, 40}, {Kind::Link, 40}, {Kind::Link, 40},  // 商品画像URL5
    {Kind::Link, 40},  // 投稿者プロフィールページURL
    {Kind::Link, 40},  // 詳細ページURL
}};
constexpr double kChangeColumnWidth = 26;

// The titles of the CSV header, in UTF-8.
std::array<std::string, kItemFieldCount> Titles() {
    std::array<std::string, kItemFieldCount> titles;
    const std::string header = AnsiToUtf8(CsvHeader());
    std::size_t at = 0;
    for (std::string& title : titles) {
        const std::size_t open = header.find('"', at);
        const std::size_t close = header.find('"', open + 1);
        title = header.substr(open + 1, close - open - 1);
        at = close + 1;
    }
    return titles;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits at the front of text, taken off it.
std::optional<int> TakeNumber(std::string_view& text, std::size_t mostDigits) {
    std::size_t digits = 0;
    while (digits < text.size() && digits < mostDigits && text[digits] >= '0' && text[digits] <= '9') {
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    const int number = std::stoi(std::string(text.substr(0, digits)));
    text.remove_prefix(digits);
    return number;
}

bool TakeText(std::string_view& text, std::string_view expected) {
    if (!text.starts_with(expected)) {
        return false;
    }
    text.remove_prefix(expected.size());
    return true;
}

// "2024年3月5日 12:34" as the site writes it, or the day alone.
std::optional<lxw_datetime> SiteDate(std::string_view text, bool& withTime) {
    lxw_datetime date{};
    const auto year = TakeNumber(text, 4);
    if (!year || !TakeText(text, "年")) {
        return std::nullopt;
    }
    const auto month = TakeNumber(text, 2);
    if (!month || !TakeText(text, "月")) {
        return std::nullopt;
    }
    const auto day = TakeNumber(text, 2);
    if (!day || !TakeText(text, "日")) {
        return std::nullopt;
    }
    date.year = *year;
    date.month = *month;
    date.day = *day;
    withTime = !text.empty();
    if (withTime) {
        if (!TakeText(text, " ")) {
            return std::nullopt;
        }
        const auto hour = TakeNumber(text, 2);
        if (!hour || !TakeText(text, ":") || text.size() != 2) {
            return std::nullopt;
        }
        const auto minute = TakeNumber(text, 2);
        if (!minute || !text.empty() || *hour > 23 || *minute > 59) {
            return std::nullopt;
        }
        date.hour = *hour;
        date.min = *minute;
    }
    if (date.year < 1900 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) {
        return std::nullopt;
    }
    return date;
}

// At most kMostCellCharacters characters, cut before a character, never inside one.
std::string_view CellText(std::string_view utf8) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        if ((static_cast<unsigned char>(utf8[at]) & 0xC0) != 0x80 && characters++ == kMostCellCharacters) {
            return utf8.substr(0, at);
        }
    }
    return utf8;
}

bool IsWebAddress(std::string_view text) { return text.starts_with("https://") || text.starts_with("http://"); }

// Width and height of a JPEG or PNG file in pixels, from its header.
std::optional<std::pair<double, double>> PictureSize(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<unsigned char, 24> head{};
    if (!in.read(reinterpret_cast<char*>(head.data()), head.size())) {
        return std::nullopt;
    }
    const auto be16 = [](const unsigned char* p) { return (p[0] << 8) | p[1]; };
    const auto be32 = [](const unsigned char* p) {
        return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
    };
    if (head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') {
        return std::pair<double, double>(be32(&head[16]), be32(&head[20]));
    }
    if (head[0] != 0xFF || head[1] != 0xD8) {
        return std::nullopt;
    }
    // Walk the segments to the frame header, which holds the size.
    in.seekg(2);
    std::array<unsigned char, 9> segment{};
    while (in.read(reinterpret_cast<char*>(segment.data()), 4) && segment[0] == 0xFF) {
        const int marker = segment[1];
        const int length = be16(&segment[2]);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (!in.read(reinterpret_cast<char*>(segment.data()), 5)) {
                return std::nullopt;
            }
            return std::pair<double, double>(be16(&segment[3]), be16(&segment[1]));
        }
        in.seekg(length - 2, std::ios::cur);
    }
    return std::nullopt;
}

std::string FileUrl(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    return "file://" + (error ? file : absolute).string();
}

// A link waiting in the temporary file: its cell, the address as the library escapes it for the
// relationship, and what follows "#" (the library's location attribute).
struct LinkHead {
    std::uint32_t row;
    std::uint32_t column;
    std::uint32_t targetBytes;
    std::uint32_t locationBytes;
};

struct Link {
    LinkHead head{};
    std::string target;
    std::string location;
};

bool ReadLink(std::FILE* links, Link& link) {
    if (std::fread(&link.head, sizeof link.head, 1, links) != 1) {
        return false;
    }
    link.target.resize(link.head.targetBytes);
    link.location.resize(link.head.locationBytes);
    return std::fread(link.target.data(), 1, link.target.size(), links) == link.target.size() &&
           std::fread(link.location.data(), 1, link.location.size(), links) == link.location.size();
}

std::string AttributeText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

constexpr std::size_t kChunkBytes = 1 << 16;
constexpr std::string_view kSheetPart = "xl/worksheets/sheet1.xml";
constexpr std::string_view kSheetRelsPart = "xl/worksheets/_rels/sheet1.xml.rels";
constexpr std::string_view kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The parts of a new zip entry, in chunks.
class EntryWriter {
public:
    explicit EntryWriter(zipFile zip) : zip_(zip) {}
    bool Write(std::string_view bytes) {
        buffer_ += bytes;
        return buffer_.size() < kChunkBytes || Flush();
    }
    bool Flush() {
        const bool written = buffer_.empty() ||
                             zipWriteInFileInZip(zip_, buffer_.data(), static_cast<unsigned>(buffer_.size())) == ZIP_OK;
        buffer_.clear();
        return written;
    }

private:
    zipFile zip_;
    std::string buffer_;
};

// A 相場比 cell waiting in the temporary file: the run's median is known only at its end.
struct RatioCell {
    std::uint32_t row;
    std::int32_t search;
    long long price;
};

// The 相場比 cells, written as 0 while the run went on, given their value (or made empty) as the
// sheet is copied. Each is found by its reference, in row order, as the library wrote it:
// <c r="AB2" s="N"><v>0</v></c>.
class RatioCells {
public:
    RatioCells(std::FILE* cells, int column, std::vector<MarketFigures> figures)
        : cells_(cells), column_(column), figures_(std::move(figures)) {
        if (cells_ != nullptr) {
            std::rewind(cells_);
            Next();
        }
    }

    bool Write(EntryWriter& out, std::string_view bytes) {
        pending_ += bytes;
        while (!needle_.empty()) {
            const std::size_t start = pending_.find(needle_);
            const std::size_t end = start == std::string::npos ? start : pending_.find("</c>", start);
            if (end == std::string::npos) {
                const std::size_t keep =
                    start != std::string::npos ? pending_.size() - start : std::min(pending_.size(), needle_.size());
                const bool written = out.Write(std::string_view(pending_).substr(0, pending_.size() - keep));
                pending_.erase(0, pending_.size() - keep);
                return written;
            }
            std::string cell = pending_.substr(start, end - start);
            const std::size_t value = cell.find("<v>0</v>");
            if (value == std::string::npos) {
                return false;
            }
            cell.replace(value, 8, value_.empty() ? std::string() : "<v>" + value_ + "</v>");
            if (!out.Write(std::string_view(pending_).substr(0, start)) || !out.Write(cell)) {
                return false;
            }
            pending_.erase(0, end);
            Next();
        }
        const bool written = out.Write(pending_);
        pending_.clear();
        return written;
    }

    // True when every cell was found.
    bool Finish(EntryWriter& out) {
        const bool written = out.Write(pending_);
        pending_.clear();
        return written && needle_.empty();
    }

private:
    void Next() {
        RatioCell cell{};
        needle_.clear();
        if (std::fread(&cell, sizeof cell, 1, cells_) != 1) {
            return;
        }
        std::array<char, LXW_MAX_CELL_NAME_LENGTH> name{};
        lxw_rowcol_to_cell(name.data(), cell.row, static_cast<lxw_col_t>(column_));
        needle_ = "<c r=\"" + std::string(name.data()) + "\"";
        value_.clear();
        if (cell.search >= 0 && static_cast<std::size_t>(cell.search) < figures_.size()) {
            const MarketFigures& figures = figures_[static_cast<std::size_t>(cell.search)];
            if (figures.count >= kMostTellingCount && figures.median > 0) {
                std::array<char, 32> text{};
                std::snprintf(text.data(), text.size(), "%.15g",
                              static_cast<double>(cell.price) / static_cast<double>(figures.median));
                value_ = text.data();
            }
        }
    }

    std::FILE* cells_;
    int column_;
    std::vector<MarketFigures> figures_;
    std::string needle_; // the next cell's start; empty when none is left
    std::string value_;
    std::string pending_;
};

// Each link's hyperlink element, read again from the temporary file.
bool WriteHyperlinks(EntryWriter& out, std::FILE* links) {
    std::rewind(links);
    if (!out.Write("<hyperlinks>")) {
        return false;
    }
    Link link;
    for (unsigned n = 1; ReadLink(links, link); ++n) {
        std::array<char, LXW_MAX_CELL_NAME_LENGTH> cell{};
        lxw_rowcol_to_cell(cell.data(), link.head.row, static_cast<lxw_col_t>(link.head.column));
        std::string element =
            "<hyperlink ref=\"" + std::string(cell.data()) + "\" r:id=\"rIdL" + std::to_string(n) + "\"";
        if (!link.location.empty()) {
            element += " location=\"" + AttributeText(link.location) + "\"";
        }
        if (!out.Write(element + "/>")) {
            return false;
        }
    }
    return !std::ferror(links) && out.Write("</hyperlinks>");
}

bool WriteRelationships(EntryWriter& out, std::FILE* links) {
    std::rewind(links);
    Link link;
    for (unsigned n = 1; ReadLink(links, link); ++n) {
        if (!out.Write("<Relationship Id=\"rIdL" + std::to_string(n) + "\" Type=\"" +
                       std::string(kRelationshipsNamespace) + "/hyperlink\" Target=\"" + AttributeText(link.target) +
                       "\" TargetMode=\"External\"/>")) {
            return false;
        }
    }
    return !std::ferror(links);
}

// The sheet as the library wrote it, chunk by chunk, with the hyperlinks where the schema has
// them: after the sheet data and what belongs between it and them (autofilter, merged cells, …),
// before the page settings and the drawing. The part after the sheet data is small and is held.
bool CopySheet(unzFile in, EntryWriter& out, std::FILE* links, RatioCells& ratios) {
    constexpr std::string_view kDataEnd = "</sheetData>";
    constexpr std::size_t kMostTailBytes = 1 << 20;
    std::vector<char> chunk(kChunkBytes);
    std::string held;
    bool inTail = false;
    bool namespaced = false;
    int got = 0;
    while ((got = unzReadCurrentFile(in, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) {
        held.append(chunk.data(), static_cast<std::size_t>(got));
        if (inTail) {
            if (held.size() > kMostTailBytes) {
                return false;
            }
            continue;
        }
        // The r: prefix the hyperlinks use is declared at the root, within the first chunk.
        namespaced =
            namespaced || held.find(std::string("xmlns:r=\"").append(kRelationshipsNamespace)) != std::string::npos;
        const std::size_t end = held.find(kDataEnd);
        const std::size_t sent =
            end == std::string::npos ? held.size() - std::min(held.size(), kDataEnd.size() - 1) : end + kDataEnd.size();
        if (!ratios.Write(out, std::string_view(held).substr(0, sent))) {
            return false;
        }
        held.erase(0, sent);
        inTail = end != std::string::npos;
    }
    if (got < 0 || !inTail || !namespaced || !ratios.Finish(out)) {
        return false;
    }
    if (links == nullptr) {
        return out.Write(held) && out.Flush();
    }
    std::size_t at = std::string::npos;
    for (const std::string_view next : {"<printOptions", "<pageMargins", "<pageSetup", "<headerFooter", "<drawing",
                                        "<legacyDrawing", "</worksheet>"}) {
        at = std::min(at, held.find(next));
    }
    return at != std::string::npos && out.Write(std::string_view(held).substr(0, at)) && WriteHyperlinks(out, links) &&
           out.Write(std::string_view(held).substr(at)) && out.Flush();
}

// The sheet's relationships (the drawing's, when photographs are in it) and the links'.
bool CopySheetRelationships(unzFile in, EntryWriter& out, std::FILE* links) {
    std::string rels;
    std::vector<char> chunk(kChunkBytes);
    int got = 0;
    while ((got = unzReadCurrentFile(in, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) {
        rels.append(chunk.data(), static_cast<std::size_t>(got));
    }
    const std::size_t end = rels.rfind("</Relationships>");
    return got == 0 && end != std::string::npos && out.Write(std::string_view(rels).substr(0, end)) &&
           WriteRelationships(out, links) && out.Write(std::string_view(rels).substr(end)) && out.Flush();
}

bool NewSheetRelationships(EntryWriter& out, std::FILE* links) {
    return out.Write("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
                     "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">") &&
           WriteRelationships(out, links) && out.Write("</Relationships>") && out.Flush();
}

// An entry as it is, its compressed bytes copied.
bool CopyRaw(unzFile in, zipFile out, const std::string& name, const unz_file_info64& info, const zip_fileinfo& when) {
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(in, &method, &level, 1) != UNZ_OK) {
        return false;
    }
    bool copied = zipOpenNewFileInZip2_64(out, name.c_str(), &when, nullptr, 0, nullptr, 0, nullptr, method, level, 1,
                                          info.uncompressed_size >= 0xFFFFFFFF) == ZIP_OK;
    std::vector<char> chunk(kChunkBytes);
    int got = 0;
    while (copied && (got = unzReadCurrentFile(in, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) {
        copied = zipWriteInFileInZip(out, chunk.data(), static_cast<unsigned>(got)) == ZIP_OK;
    }
    copied = copied && got == 0;
    copied = zipCloseFileInZipRaw64(out, info.uncompressed_size, info.crc) == ZIP_OK && copied;
    return unzCloseCurrentFile(in) == UNZ_OK && copied;
}

// An entry made anew, compressed as the library compresses.
template <typename Fill>
bool WriteNew(zipFile out, std::string_view name, const zip_fileinfo& when, bool large, Fill fill) {
    if (zipOpenNewFileInZip64(out, std::string(name).c_str(), &when, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, large) != ZIP_OK) {
        return false;
    }
    EntryWriter writer(out);
    const bool written = fill(writer);
    return zipCloseFileInZip(out) == ZIP_OK && written;
}

bool CopyWithLinks(unzFile in, zipFile out, std::FILE* links, RatioCells& ratios) {
    bool sheetRels = false;
    zip_fileinfo sheetWhen{};
    for (int at = unzGoToFirstFile(in); at != UNZ_END_OF_LIST_OF_FILE; at = unzGoToNextFile(in)) {
        std::array<char, 512> nameBytes{};
        unz_file_info64 info{};
        if (at != UNZ_OK ||
            unzGetCurrentFileInfo64(in, &info, nameBytes.data(), nameBytes.size(), nullptr, 0, nullptr, 0) != UNZ_OK) {
            return false;
        }
        const std::string name(nameBytes.data());
        zip_fileinfo when{};
        when.dosDate = info.dosDate;
        when.internal_fa = info.internal_fa;
        when.external_fa = info.external_fa;
        bool copied = false;
        if (name == kSheetPart || (name == kSheetRelsPart && links != nullptr)) {
            if (unzOpenCurrentFile(in) != UNZ_OK) {
                return false;
            }
            if (name == kSheetPart) {
                sheetWhen = when;
                // A sheet near 4 GB may pass it with its links.
                copied = WriteNew(out, name, when, info.uncompressed_size >= 0xF0000000,
                                  [&](EntryWriter& w) { return CopySheet(in, w, links, ratios); });
            } else {
                sheetRels = true;
                copied = WriteNew(out, name, when, false,
                                  [&](EntryWriter& w) { return CopySheetRelationships(in, w, links); });
            }
            copied = unzCloseCurrentFile(in) == UNZ_OK && copied;
        } else {
            copied = CopyRaw(in, out, name, info, when);
        }
        if (!copied) {
            return false;
        }
    }
    return sheetRels || links == nullptr || WriteNew(out, kSheetRelsPart, sheetWhen, false, [&](EntryWriter& w) {
               return NewSheetRelationships(w, links);
           });
}

// The workbook the library wrote, made again beside it with the links in (none: links is null)
// and the 相場比 cells given their values, then put in its place. The library would hold each
// link in memory to the end; the file holds them instead.
bool AddLinks(const std::filesystem::path& book, std::FILE* links, RatioCells& ratios) {
    std::string temporary = (book.parent_path() / ("." + book.filename().string() + ".XXXXXX")).string();
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        return false;
    }
    ::close(descriptor);
    bool made = false;
    if (unzFile in = unzOpen64(book.c_str())) {
        if (zipFile out = zipOpen64(temporary.c_str(), APPEND_STATUS_CREATE)) {
            made = CopyWithLinks(in, out, links, ratios);
            made = zipClose(out, nullptr) == ZIP_OK && made;
        }
        made = unzClose(in) == UNZ_OK && made;
    }
    std::error_code error;
    if (made) {
        std::filesystem::permissions(temporary, std::filesystem::status(book, error).permissions(), error);
        std::filesystem::rename(temporary, book, error);
        made = !error;
    }
    if (!made) {
        std::filesystem::remove(temporary, error);
    }
    return made;
}

} // namespace

bool IsWorkbookName(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".xlsx";
}

Workbook::~Workbook() {
    if (IsOpen()) {
        Close();
    }
    Discard();
}

void Workbook::Discard() {
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
}

bool Workbook::Open(const std::filesystem::path& file, bool withPhotos) {
    // The library writes the file only when it closes: a folder it cannot be made in, or a file
    // that cannot be replaced, is told now, before the run, not after it.
    std::error_code error;
    const bool replacing = std::filesystem::exists(file, error);
    if (replacing && ::access(file.c_str(), W_OK) != 0) {
        return false;
    }
    Discard();
    std::string temporary = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        return false;
    }
    temporary_ = temporary;
    // As a file made by the program: what the umask allows, or what the file it replaces had.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);
    ::close(descriptor);
    if (replacing) {
        std::filesystem::permissions(temporary_, std::filesystem::status(file, error).permissions(), error);
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    book_ = workbook_new_opt(temporary_.c_str(), &options);
    if (book_ == nullptr) {
        Discard();
        return false;
    }
    sheet_ = workbook_add_worksheet(book_, "商品情報");
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
    price_ = workbook_add_format(book_);
    format_set_num_format(price_, "#,##0\"円\"");
    dateTime_ = workbook_add_format(book_);
    format_set_num_format(dateTime_, "yyyy/mm/dd hh:mm");
    date_ = workbook_add_format(book_);
    format_set_num_format(date_, "yyyy/mm/dd");
    link_ = workbook_get_default_url_format(book_);
    ratio_ = workbook_add_format(book_);
    format_set_num_format(ratio_, "0%");
    withPhotos_ = withPhotos;
    file_ = file;
    linkFile_ = std::tmpfile();
    ratioFile_ = market_ != nullptr ? std::tmpfile() : nullptr;
    ratioColumn_ = market_ == nullptr ? -1 : (withPhotos_ ? kPhotoColumn : kChangeColumn) + 1;
    failed_ = sheet_ == nullptr || linkFile_ == nullptr || (market_ != nullptr && ratioFile_ == nullptr);
    row_ = 0;
    links_ = 0;
    ratios_ = 0;
    if (failed_) {
        return false;
    }

    for (int column = 0; column < kItemFieldCount; ++column) {
        worksheet_set_column(sheet_, column, column, kColumns[column].width, nullptr);
    }
    worksheet_set_column(sheet_, kChangeColumn, kChangeColumn, kChangeColumnWidth, nullptr);
    if (withPhotos_) {
        worksheet_set_column(sheet_, kPhotoColumn, kPhotoColumn, kPhotoColumnWidth, nullptr);
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    const auto titles = Titles();
    for (int column = 0; column < kItemFieldCount; ++column) {
        worksheet_write_string(sheet_, 0, column, titles[column].c_str(), bold_);
    }
    worksheet_write_string(sheet_, 0, kChangeColumn, "変化", bold_);
    if (withPhotos_) {
        worksheet_write_string(sheet_, 0, kPhotoColumn, "写真", bold_);
    }
    if (ratioColumn_ >= 0) {
        worksheet_set_column(sheet_, ratioColumn_, ratioColumn_, 8, nullptr);
        worksheet_write_string(sheet_, 0, ratioColumn_, "相場比", bold_);
    }
    return true;
}

void Workbook::WriteText(int column, std::string_view text) {
    const std::string value(CellText(text));
    if (!value.empty() && worksheet_write_string(sheet_, row_, column, value.c_str(), nullptr) != LXW_NO_ERROR) {
        failed_ = true;
    }
}

// A hyperlink record, as Excel and every reader know a link, up to the number a sheet can hold;
// past it the address is text. The cell is written now, in the link format; the link itself
// waits in a temporary file (the library would keep each one in memory to the end) and goes into
// the file when it is closed. The address is escaped and split at "#" as the library does it.
void Workbook::WriteLink(int column, const std::string& url) {
    if (links_ < kMostLinks && IsWebAddress(url) && url.size() <= kMostUrlBytes) {
        const std::size_t hash = url.find('#');
        char* escaped = lxw_escape_url_characters(url.substr(0, hash).c_str(), LXW_FALSE);
        const std::string target = escaped == nullptr ? std::string() : escaped;
        std::free(escaped);
        const std::string location = hash == std::string::npos ? std::string() : url.substr(hash + 1);
        if (!target.empty() && target.size() <= kMostUrlBytes) {
            const LinkHead head{row_, static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(target.size()),
                                static_cast<std::uint32_t>(location.size())};
            if (std::fwrite(&head, sizeof head, 1, linkFile_) != 1 ||
                std::fwrite(target.data(), 1, target.size(), linkFile_) != target.size() ||
                std::fwrite(location.data(), 1, location.size(), linkFile_) != location.size() ||
                worksheet_write_string(sheet_, row_, column, url.c_str(), link_) != LXW_NO_ERROR) {
                failed_ = true;
            }
            ++links_;
            return;
        }
    }
    WriteText(column, url);
}

void Workbook::WriteRatio(const ItemFields& valuesUtf8) {
    const std::optional<long long> price = PriceNumber(UTF8ToAnsi(valuesUtf8[kPrice]));
    const int search = market_->currentSearch();
    if (!price || *price <= 0 || search < 0) {
        return;
    }
    const RatioCell cell{row_, search, *price};
    if (std::fwrite(&cell, sizeof cell, 1, ratioFile_) != 1 ||
        worksheet_write_number(sheet_, row_, ratioColumn_, 0, ratio_) != LXW_NO_ERROR) {
        failed_ = true;
    }
    ++ratios_;
}

bool Workbook::AddRow(const ItemFields& valuesUtf8, std::string_view changeUtf8,
                      const std::filesystem::path& firstPhoto) {
    if (!IsOpen() || failed_ || row_ + 1 >= LXW_ROW_MAX) {
        return false;
    }
    ++row_;
    const auto photoSize = firstPhoto.empty() || !withPhotos_ ? std::nullopt : PictureSize(firstPhoto);
    if (photoSize) {
        worksheet_set_row(sheet_, row_, kPhotoRowPoints, nullptr);
    }
    for (int column = 0; column < kItemFieldCount; ++column) {
        const std::string& value = valuesUtf8[column];
        switch (kColumns[column].kind) {
        case Kind::Price:
            if (const auto yen = PriceNumber(UTF8ToAnsi(value))) {
                worksheet_write_number(sheet_, row_, column, static_cast<double>(*yen), price_);
                continue;
            }
            break;
        case Kind::Count:
            if (AllDigits(value) && value.size() <= 15) {
                worksheet_write_number(sheet_, row_, column, std::stod(value), nullptr);
                continue;
            }
            break;
        case Kind::Date: {
            bool withTime = false;
            if (const auto date = SiteDate(value, withTime)) {
                lxw_datetime when = *date;
                worksheet_write_datetime(sheet_, row_, column, &when, withTime ? dateTime_ : date_);
                continue;
            }
            break;
        }
        case Kind::Link:
            WriteLink(column, value);
            continue;
        case Kind::Text:
            break;
        }
        WriteText(column, value);
    }
    WriteText(kChangeColumn, changeUtf8);
    if (ratioColumn_ >= 0) {
        WriteRatio(valuesUtf8);
    }
    if (photoSize) {
        const double scale = kPhotoPixels / std::max({photoSize->first, photoSize->second, 1.0});
        const std::string url = FileUrl(firstPhoto);
        lxw_image_options image{};
        image.x_offset = 2;
        image.y_offset = 2;
        image.x_scale = scale;
        image.y_scale = scale;
        image.url = const_cast<char*>(url.c_str());
        // A photograph the library cannot read leaves its cell empty, not the run stopped.
        worksheet_insert_image_opt(sheet_, row_, kPhotoColumn, firstPhoto.c_str(), &image);
    }
    return !failed_;
}

bool Workbook::Close() {
    if (!IsOpen()) {
        return false;
    }
    worksheet_autofilter(sheet_, 0, 0, row_,
                         ratioColumn_ >= 0 ? ratioColumn_
                         : withPhotos_     ? kPhotoColumn
                                           : kChangeColumn);
    const bool added = market_ == nullptr || AddMarketSheet(book_, *market_);
    bool written = workbook_close(book_) == LXW_NO_ERROR && added;
    book_ = nullptr;
    sheet_ = nullptr;
    if (written && (links_ > 0 || ratios_ > 0)) {
        RatioCells ratios(ratios_ > 0 ? ratioFile_ : nullptr, ratioColumn_,
                          market_ != nullptr ? market_->Figures() : std::vector<MarketFigures>{});
        written = std::fflush(linkFile_) == 0 && (ratioFile_ == nullptr || std::fflush(ratioFile_) == 0) &&
                  AddLinks(temporary_, links_ > 0 ? linkFile_ : nullptr, ratios);
    }
    for (std::FILE** file : {&linkFile_, &ratioFile_}) {
        if (*file != nullptr) {
            std::fclose(*file);
            *file = nullptr;
        }
    }
    written = written && !failed_;
    if (written) {
        std::error_code error;
        std::filesystem::rename(temporary_, file_, error);
        written = !error;
    }
    if (written) {
        temporary_.clear();
    } else {
        Discard();
    }
    return written;
}

} // namespace vorn
