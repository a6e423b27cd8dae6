#include "watch/workbook.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include <xlsxwriter.h>

#include "extract/csv_output.h"
#include "watch/price.h"
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
}

bool Workbook::Open(const std::filesystem::path& file, bool withPhotos) {
    // The library writes the file only when it closes: a file that cannot be made is told now,
    // before the run, not after it.
    if (std::FILE* probe = std::fopen(file.c_str(), "wb")) {
        std::fclose(probe);
    } else {
        return false;
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    book_ = workbook_new_opt(file.c_str(), &options);
    if (book_ == nullptr) {
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
    withPhotos_ = withPhotos;
    failed_ = sheet_ == nullptr;
    row_ = 0;
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
    return true;
}

void Workbook::WriteText(int column, std::string_view text) {
    const std::string value(CellText(text));
    if (!value.empty() && worksheet_write_string(sheet_, row_, column, value.c_str(), nullptr) != LXW_NO_ERROR) {
        failed_ = true;
    }
}

// A hyperlink record, as Excel and every reader know a link, up to the number a sheet can hold;
// past it the address is text. The library keeps each record until the file is written, so a
// sheet full of links costs memory in proportion (about 2 KB a link at the close).
void Workbook::WriteLink(int column, const std::string& url) {
    if (links_ < kMostLinks && IsWebAddress(url) && url.size() <= kMostUrlBytes &&
        worksheet_write_url(sheet_, row_, column, url.c_str(), link_) == LXW_NO_ERROR) {
        ++links_;
        return;
    }
    WriteText(column, url);
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
    worksheet_autofilter(sheet_, 0, 0, row_, withPhotos_ ? kPhotoColumn : kChangeColumn);
    const bool written = workbook_close(book_) == LXW_NO_ERROR;
    book_ = nullptr;
    sheet_ = nullptr;
    return written && !failed_;
}

} // namespace vorn
