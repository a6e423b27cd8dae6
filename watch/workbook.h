#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

#include "extract/row_sink.h"
#include "watch/market_figures.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vorn {

class RunMarket;

// True when the output file is an Excel workbook: its name ends in ".xlsx", any letter case.
bool IsWorkbookName(const std::filesystem::path& file);

// The run's rows as an Excel workbook of one sheet, "商品情報": the 25 titles and "変化" (and
// "写真" when photographs are saved), then a row per listing with typed cells: the price and the
// counts as numbers, the dates as dates, the URLs as links (up to the 65,530 a sheet holds),
// everything else as text (never a formula, whatever it begins with). Rows go to a temporary file
// as they come, and the links to another; Close writes the workbook and then puts the links into
// it, so memory stays the same however many rows and links there are. The workbook is made under a
// temporary name beside the file and takes the file's name only once it is whole: a run that
// cannot finish it leaves the file as it was.
class Workbook final : public RowSink {
public:
    Workbook() = default;
    ~Workbook() override;
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    bool Open(const std::filesystem::path& file, bool withPhotos) override;
    bool AddRow(const ItemFields& valuesUtf8, std::string_view changeUtf8,
                const std::filesystem::path& firstPhoto) override;
    bool Close() override;
    bool IsOpen() const override { return book_ != nullptr; }
    // The run's going prices, read as rows come and at Close: the workbook then has the sheet
    // "相場" and a last column "相場比" (the price over its search's median, where that counts
    // kMostTellingCount prices or more). Set before Open; the market outlives the workbook's Close.
    void SetMarket(const RunMarket* market) { market_ = market; }

private:
    void WriteText(int column, std::string_view text);
    void WriteLink(int column, const std::string& url);
    void WriteRatio(const ItemFields& valuesUtf8);

    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* price_ = nullptr;
    lxw_format* dateTime_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_format* link_ = nullptr;
    lxw_format* ratio_ = nullptr;
    // Removes the unfinished workbook.
    void Discard();

    std::filesystem::path file_;
    std::filesystem::path temporary_; // the workbook until it is whole
    std::FILE* linkFile_ = nullptr; // the links waiting for Close: cell, address
    const RunMarket* market_ = nullptr;
    std::FILE* ratioFile_ = nullptr; // the 相場比 cells waiting for Close: row, search, price
    int ratioColumn_ = -1;
    bool withPhotos_ = false;
    bool failed_ = false;
    unsigned row_ = 0;   // the last row written; the header is row 0
    unsigned links_ = 0; // hyperlinks written so far
    unsigned ratios_ = 0;
};

} // namespace vorn
