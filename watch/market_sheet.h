#pragma once

struct lxw_workbook;

namespace vorn {

class RunMarket;

// The sheet "相場" of a run's workbook: a row per search of the run with figures (日付, 検索, 件数,
// 最安, 下位25%, 中央値, 上位25%, 最高, the prices typed in yen), then, for each search the store
// holds from earlier runs too, a table of its medians run by run with a line chart of them.
// False when the library refused a part of it.
bool AddMarketSheet(lxw_workbook* book, const RunMarket& market);

} // namespace vorn
