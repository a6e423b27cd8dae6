#pragma once

// The going price of each search of each run, beside the store's runs (T22_RUN).
namespace vorn::sql {

// One record per search a run made, in its order (Seq); Count 0 keeps the search with no figures.
inline constexpr const char* kCreateMarket =
    "CREATE TABLE IF NOT EXISTS T25_MARKET (RunID INTEGER NOT NULL, Seq INTEGER NOT NULL, Search TEXT NOT NULL, "
    "Count INTEGER NOT NULL, Lowest INTEGER NOT NULL, LowerQuartile INTEGER NOT NULL, Median INTEGER NOT NULL, "
    "UpperQuartile INTEGER NOT NULL, Highest INTEGER NOT NULL, PRIMARY KEY (RunID, Seq)) WITHOUT ROWID";
// A run's search finds its earlier medians without reading every run's.
inline constexpr const char* kCreateMarketIndex =
    "CREATE INDEX IF NOT EXISTS T25_MARKET_Search ON T25_MARKET (Search, RunID)";
inline constexpr const char* kInsertMarket =
    "INSERT OR REPLACE INTO T25_MARKET (RunID, Seq, Search, Count, Lowest, LowerQuartile, Median, UpperQuartile, "
    "Highest) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)";
// The medians of a search in the latest runs before one (at most ?3), newest first.
inline constexpr const char* kSelectEarlierMedians =
    "SELECT T22_RUN.Started, T25_MARKET.Median FROM T25_MARKET INNER JOIN T22_RUN ON T22_RUN.RunID = T25_MARKET.RunID "
    "WHERE T25_MARKET.Search = ?1 AND T25_MARKET.Count > 0 AND T25_MARKET.RunID < ?2 "
    "ORDER BY T25_MARKET.RunID DESC, T25_MARKET.Seq DESC LIMIT ?3";
// Every search of every run with figures, oldest first; from a day on (YYYY-MM-DD).
inline constexpr const char* kSelectMarket =
    "SELECT T22_RUN.Started, T25_MARKET.Search, T25_MARKET.Count, T25_MARKET.Lowest, T25_MARKET.LowerQuartile, "
    "T25_MARKET.Median, T25_MARKET.UpperQuartile, T25_MARKET.Highest FROM T25_MARKET INNER JOIN T22_RUN "
    "ON T22_RUN.RunID = T25_MARKET.RunID WHERE T25_MARKET.Count > 0 AND T22_RUN.Started >= ? "
    "ORDER BY T22_RUN.Started, T25_MARKET.RunID, T25_MARKET.Seq";

} // namespace vorn::sql
