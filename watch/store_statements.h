#pragma once

// The store of listings beside the catalogue: every listing a run has read as it was last read,
// the runs, the changes found, and the rows each run wrote. The listing's keys and dates are
// T20_HIST's; the programs add the tables to a database that lacks them, as db/schema.sql does.
namespace vorn::sql {

// Fields: the 25 values as read (CP932), each followed by kFieldEnd, kept as bytes so a row can
// be written again as it was. The columns after it are what changes are found from.
inline constexpr const char* kCreateStore[] = {
    "CREATE TABLE IF NOT EXISTS T21_ITEM (UrlKey TEXT PRIMARY KEY, Fields BLOB NOT NULL, Title TEXT NOT NULL, "
    "PriceText TEXT NOT NULL, Price INTEGER, Reception TEXT NOT NULL, ProfileUrl TEXT NOT NULL, "
    "FirstSeen TEXT NOT NULL, LastSeen TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS T21_ITEM_Poster ON T21_ITEM (ProfileUrl, Title)",
    "CREATE TABLE IF NOT EXISTS T22_RUN (RunID INTEGER PRIMARY KEY, Started TEXT NOT NULL, Ended TEXT, "
    "Outcome TEXT, Rows INTEGER NOT NULL DEFAULT 0, Conditions TEXT NOT NULL, Mode TEXT)",
    "CREATE TABLE IF NOT EXISTS T23_CHANGE (ChangeID INTEGER PRIMARY KEY, RunID INTEGER NOT NULL, "
    "UrlKey TEXT NOT NULL, Kind TEXT NOT NULL, Before TEXT NOT NULL, After TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS T24_ROW (RunID INTEGER NOT NULL, Seq INTEGER NOT NULL, UrlKey TEXT NOT NULL, "
    "Change TEXT NOT NULL, Fields BLOB, PRIMARY KEY (RunID, Seq)) WITHOUT ROWID",
    // A run's counts without reading every change of the store.
    "CREATE INDEX IF NOT EXISTS T23_CHANGE_Run ON T23_CHANGE (RunID, Kind)",
};

// The listing as stored (Stored 1) first, then every other listing of the same poster (a profile
// URL, not empty) with the same title (Stored 0): the earlier posts it may be a repost of.
inline constexpr const char* kSelectStoredOrRepost =
    "SELECT PriceText, Price, Reception, 1 AS Stored, UrlKey FROM T21_ITEM WHERE UrlKey = ?1 "
    "UNION ALL SELECT NULL, NULL, NULL, 0, UrlKey FROM T21_ITEM WHERE ?2 <> '' AND ProfileUrl = ?2 AND Title = ?3 "
    "AND UrlKey <> ?1 ORDER BY 4 DESC";
// Price and PriceText stay the last price in yen read: a price without a number (応相談) in
// between leaves them, so the next amount is compared with the last one.
inline constexpr const char* kUpsertStored =
    "INSERT INTO T21_ITEM (UrlKey, Fields, Title, PriceText, Price, Reception, ProfileUrl, FirstSeen, LastSeen) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (UrlKey) DO UPDATE SET Fields = excluded.Fields, "
    "Title = excluded.Title, "
    "PriceText = CASE WHEN excluded.Price IS NULL AND Price IS NOT NULL THEN PriceText ELSE excluded.PriceText END, "
    "Price = COALESCE(excluded.Price, Price), "
    "Reception = excluded.Reception, ProfileUrl = excluded.ProfileUrl, LastSeen = excluded.LastSeen";
inline constexpr const char* kInsertChange =
    "INSERT INTO T23_CHANGE (RunID, UrlKey, Kind, Before, After) VALUES (?, ?, ?, ?, ?)";
// A row keeps the 25 values it was written with (as T21_ITEM's Fields): a later run that reads
// the listing again does not change what this run wrote.
inline constexpr const char* kInsertRunRow =
    "INSERT INTO T24_ROW (RunID, Seq, UrlKey, Change, Fields) VALUES (?, ?, ?, ?, ?)";
inline constexpr const char* kInsertRun = "INSERT INTO T22_RUN (Started, Conditions, Mode) VALUES (?, ?, ?)";
// A store made before runs kept their mode ("all", "new-only", "changes-only") gets the column.
inline constexpr const char* kSelectRunHasMode =
    "SELECT COUNT(*) AS Found FROM pragma_table_info('T22_RUN') WHERE name = 'Mode'";
inline constexpr const char* kAddRunMode = "ALTER TABLE T22_RUN ADD COLUMN Mode TEXT";
// A store made before rows kept their values gets the column; its older rows have none and are
// read from the listing as last read, all that is left of them.
inline constexpr const char* kSelectRowHasFields =
    "SELECT COUNT(*) AS Found FROM pragma_table_info('T24_ROW') WHERE name = 'Fields'";
inline constexpr const char* kAddRowFields = "ALTER TABLE T24_ROW ADD COLUMN Fields BLOB";
inline constexpr const char* kEndRun = "UPDATE T22_RUN SET Ended = ?, Outcome = ?, Rows = ? WHERE RunID = ?";

// Changes, newest first; from a day on (YYYY-MM-DD).
inline constexpr const char* kSelectChanges =
    "SELECT T22_RUN.Started, T23_CHANGE.Kind, T21_ITEM.Title, T23_CHANGE.Before, T23_CHANGE.After, "
    "T23_CHANGE.UrlKey FROM T23_CHANGE INNER JOIN T22_RUN ON T22_RUN.RunID = T23_CHANGE.RunID "
    "LEFT JOIN T21_ITEM ON T21_ITEM.UrlKey = T23_CHANGE.UrlKey WHERE T22_RUN.Started >= ? "
    "ORDER BY T23_CHANGE.ChangeID DESC";
inline constexpr const char* kForgetStore[] = {"DELETE FROM T25_MARKET", "DELETE FROM T24_ROW",
                                               "DELETE FROM T23_CHANGE", "DELETE FROM T22_RUN", "DELETE FROM T21_ITEM"};
// What forget --before leaves: listings read since the day, and the changes and rows of those.
inline constexpr const char* kForgetStoreBefore[] = {
    "DELETE FROM T21_ITEM WHERE LastSeen < ?",
    "DELETE FROM T23_CHANGE WHERE UrlKey NOT IN (SELECT UrlKey FROM T21_ITEM)",
    "DELETE FROM T24_ROW WHERE UrlKey NOT IN (SELECT UrlKey FROM T21_ITEM)",
};

// Runs begun by a schedule are marked; a store made before they were gets the column.
inline constexpr const char* kSelectRunHasAutomatic =
    "SELECT COUNT(*) AS Found FROM pragma_table_info('T22_RUN') WHERE name = 'Automatic'";
inline constexpr const char* kAddRunAutomatic = "ALTER TABLE T22_RUN ADD COLUMN Automatic INTEGER NOT NULL DEFAULT 0";
inline constexpr const char* kMarkRunAutomatic = "UPDATE T22_RUN SET Automatic = 1 WHERE RunID = ?";

// The runs, newest first (or the one given). A run that did not end has no count of its rows
// kept: its rows are counted.
#define VORN_SELECT_RUNS                                                                                               \
    "SELECT RunID, Started, Conditions, COALESCE(Mode, '') AS Mode, COALESCE(Outcome, '') AS Outcome, "                \
    "CASE WHEN Ended IS NULL THEN (SELECT COUNT(*) FROM T24_ROW WHERE T24_ROW.RunID = T22_RUN.RunID) ELSE Rows END "   \
    "AS Rows, Automatic, NewCount, RepostedCount, CheaperCount, DearerCount, ClosedCount FROM T22_RUN "
inline constexpr const char* kSelectRuns = VORN_SELECT_RUNS "ORDER BY RunID DESC";
inline constexpr const char* kSelectRun = VORN_SELECT_RUNS "WHERE RunID = ?";
#undef VORN_SELECT_RUNS
inline constexpr const char* kSelectLastRunWithRows = "SELECT MAX(RunID) AS RunID FROM T24_ROW";
// A run's counts are kept when it ends, so the runs list without reading every change; a run
// that did not end has its changes counted.
inline constexpr const char* kSelectRunHasCounts =
    "SELECT COUNT(*) AS Found FROM pragma_table_info('T22_RUN') WHERE name = 'NewCount'";
inline constexpr const char* kAddRunCounts[] = {
    "ALTER TABLE T22_RUN ADD COLUMN NewCount INTEGER",
    "ALTER TABLE T22_RUN ADD COLUMN RepostedCount INTEGER",
    "ALTER TABLE T22_RUN ADD COLUMN CheaperCount INTEGER",
    "ALTER TABLE T22_RUN ADD COLUMN DearerCount INTEGER",
    "ALTER TABLE T22_RUN ADD COLUMN ClosedCount INTEGER",
    "UPDATE T22_RUN SET "
    "NewCount = (SELECT COUNT(*) FROM T23_CHANGE WHERE T23_CHANGE.RunID = T22_RUN.RunID AND Kind = '新着'), "
    "RepostedCount = (SELECT COUNT(*) FROM T23_CHANGE WHERE T23_CHANGE.RunID = T22_RUN.RunID AND Kind = '再掲載'), "
    "CheaperCount = (SELECT COUNT(*) FROM T23_CHANGE WHERE T23_CHANGE.RunID = T22_RUN.RunID AND Kind = '値下げ'), "
    "DearerCount = (SELECT COUNT(*) FROM T23_CHANGE WHERE T23_CHANGE.RunID = T22_RUN.RunID AND Kind = '値上げ'), "
    "ClosedCount = (SELECT COUNT(*) FROM T23_CHANGE WHERE T23_CHANGE.RunID = T22_RUN.RunID AND Kind = '受付終了') "
    "WHERE Ended IS NOT NULL",
};
inline constexpr const char* kEndRunCounts = "UPDATE T22_RUN SET NewCount = ?, RepostedCount = ?, CheaperCount = ?, "
                                             "DearerCount = ?, ClosedCount = ? WHERE RunID = ?";
inline constexpr const char* kSelectOneRunCounts =
    "SELECT Kind, COUNT(*) AS Found FROM T23_CHANGE WHERE RunID = ? GROUP BY Kind";
// A page of a run's rows, as written (a row kept before rows held their values: the listing as
// last read).
inline constexpr const char* kSelectRunRowsAfter =
    "SELECT T24_ROW.Seq, COALESCE(T24_ROW.Fields, T21_ITEM.Fields) AS Fields, T24_ROW.Change FROM T24_ROW "
    "LEFT JOIN T21_ITEM ON T21_ITEM.UrlKey = T24_ROW.UrlKey WHERE T24_ROW.RunID = ? AND T24_ROW.Seq > ? "
    "AND COALESCE(T24_ROW.Fields, T21_ITEM.Fields) IS NOT NULL ORDER BY T24_ROW.Seq LIMIT ?";
inline constexpr const char* kForgetRunsBefore[] = {
    "DELETE FROM T24_ROW WHERE RunID IN (SELECT RunID FROM T22_RUN WHERE Started < ?)",
    "DELETE FROM T23_CHANGE WHERE RunID IN (SELECT RunID FROM T22_RUN WHERE Started < ?)",
    "DELETE FROM T22_RUN WHERE Started < ?",
};

} // namespace vorn::sql
