#include "watch/market_sheet.h"

#include <algorithm>
#include <string>
#include <string_view>

#include <xlsxwriter.h>

#include "watch/run_market.h"
#include "web/cp932.h"

namespace vorn {

namespace {

constexpr const char* kSheetName = "相場";
constexpr const char* kTitles[] = {"日付", "検索", "件数", "最安", "下位25%", "中央値", "上位25%", "最高"};
constexpr double kWidths[] = {17, 30, 8, 12, 12, 12, 12, 12};
// A chart stands beside its table and is about this many rows tall; the next table starts below it.
constexpr unsigned kChartRows = 16;
constexpr lxw_col_t kChartColumn = 3;

// "YYYY-MM-DD HH:MM:SS" as a date and time.
lxw_datetime RunStart(std::string_view started) {
    lxw_datetime when{};
    const auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits && i < started.size(); ++i) {
            value = value * 10 + (started[i] >= '0' && started[i] <= '9' ? started[i] - '0' : 0);
        }
        return value;
    };
    when.year = number(0, 4);
    when.month = number(5, 2);
    when.day = number(8, 2);
    when.hour = number(11, 2);
    when.min = number(14, 2);
    return when;
}

class SheetWriter {
public:
    SheetWriter(lxw_workbook* book, lxw_worksheet* sheet) : book_(book), sheet_(sheet) {
        bold_ = workbook_add_format(book);
        format_set_bold(bold_);
        price_ = workbook_add_format(book);
        format_set_num_format(price_, "#,##0\"円\"");
        when_ = workbook_add_format(book);
        format_set_num_format(when_, "yyyy/mm/dd hh:mm");
    }

    void Text(unsigned row, lxw_col_t column, const std::string& utf8, bool bold = false) {
        Check(worksheet_write_string(sheet_, row, column, utf8.c_str(), bold ? bold_ : nullptr));
    }
    void Number(unsigned row, lxw_col_t column, long long value, bool price) {
        Check(worksheet_write_number(sheet_, row, column, static_cast<double>(value), price ? price_ : nullptr));
    }
    void When(unsigned row, lxw_col_t column, const std::string& started) {
        lxw_datetime when = RunStart(started);
        Check(worksheet_write_datetime(sheet_, row, column, &when, when_));
    }

    // The medians of one search, run by run, from row on: a title, a header, a row per run.
    unsigned MedianTable(unsigned row, const std::string& searchUtf8, const std::vector<MedianPoint>& points) {
        Text(row, 0, searchUtf8 + " の中央値", true);
        Text(row + 1, 0, kTitles[0], true);
        Text(row + 1, 1, kTitles[5], true);
        const unsigned first = row + 2;
        for (std::size_t i = 0; i < points.size(); ++i) {
            When(first + static_cast<unsigned>(i), 0, points[i].started);
            Number(first + static_cast<unsigned>(i), 1, points[i].median, true);
        }
        const unsigned last = first + static_cast<unsigned>(points.size()) - 1;
        lxw_chart* chart = workbook_add_chart(book_, LXW_CHART_LINE);
        lxw_chart_series* series = chart == nullptr ? nullptr : chart_add_series(chart, nullptr, nullptr);
        if (series == nullptr) {
            failed_ = true;
            return last + 1;
        }
        chart_series_set_categories(series, kSheetName, first, 0, last, 0);
        chart_series_set_values(series, kSheetName, first, 1, last, 1);
        chart_series_set_name(series, kTitles[5]);
        chart_series_set_marker_type(series, LXW_CHART_MARKER_AUTOMATIC);
        chart_title_set_name(chart, searchUtf8.c_str());
        chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
        chart_axis_set_num_format(chart->y_axis, "#,##0\"円\"");
        chart_axis_set_num_format(chart->x_axis, "yyyy/mm/dd");
        Check(worksheet_insert_chart(sheet_, row, kChartColumn, chart));
        return std::max(last + 2, row + kChartRows);
    }

    bool failed() const { return failed_; }

private:
    void Check(lxw_error error) { failed_ = failed_ || error != LXW_NO_ERROR; }

    lxw_workbook* book_;
    lxw_worksheet* sheet_;
    lxw_format* bold_ = nullptr;
    lxw_format* price_ = nullptr;
    lxw_format* when_ = nullptr;
    bool failed_ = false;
};

} // namespace

bool AddMarketSheet(lxw_workbook* book, const RunMarket& market) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, kSheetName);
    if (sheet == nullptr) {
        return false;
    }
    SheetWriter writer(book, sheet);
    for (lxw_col_t column = 0; column < std::size(kTitles); ++column) {
        worksheet_set_column(sheet, column, column, kWidths[column], nullptr);
        writer.Text(0, column, kTitles[column], true);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    // Rows go in order (the workbook is written with constant memory): the run's figures first.
    const std::vector<MarketFigures> figures = market.Figures();
    unsigned row = 0;
    for (const MarketFigures& search : figures) {
        if (search.count == 0) {
            continue;
        }
        ++row;
        writer.When(row, 0, market.started());
        writer.Text(row, 1, AnsiToUtf8(search.search));
        writer.Number(row, 2, search.count, false);
        const long long prices[] = {search.lowest, search.lowerQuartile, search.median, search.upperQuartile,
                                    search.highest};
        for (lxw_col_t column = 3; column < 8; ++column) {
            writer.Number(row, column, prices[column - 3], true);
        }
    }
    row += 2;
    for (std::size_t search = 0; search < figures.size(); ++search) {
        const std::vector<MedianPoint>& earlier = market.EarlierMedians(static_cast<int>(search));
        if (figures[search].count == 0 || earlier.empty()) {
            continue;
        }
        std::vector<MedianPoint> points = earlier;
        points.push_back({market.started(), figures[search].median});
        row = writer.MedianTable(row, AnsiToUtf8(figures[search].search), points);
    }
    return !writer.failed();
}

} // namespace vorn
