#pragma once

// Every statement the program issues. Values are bound to the "?" parameters in order.
namespace vorn::sql {

inline constexpr const char* kSelectGenres =
    "SELECT CtgrID, CtgrCode, CtgrName FROM T10_CTGR ORDER BY CtgrID, CtgrSubID";
inline constexpr const char* kSelectPrefectures = "SELECT AreaName As Area FROM T01_AREA ORDER BY AreaID";
inline constexpr const char* kSelectCities =
    "SELECT CityName As Area FROM T02_CITY WHERE AreaID =? ORDER BY AreaID, CityID";
inline constexpr const char* kDeleteSeen = "DELETE FROM T00_DATA";
inline constexpr const char* kSelectAreaAlpha = "SELECT AreaAlpha FROM T01_AREA WHERE AreaID =?";
// A city by its row in the list kSelectCities gives (0 the first), not by a CityID worked out from
// that place: a refresh may leave a number free, and the list closes up over it.
inline constexpr const char* kSelectCityPath =
    "SELECT T01_AREA.AreaAlpha, T02_CITY.CityCode FROM T01_AREA INNER JOIN T02_CITY ON T01_AREA.AreaID = "
    "T02_CITY.AreaID WHERE T02_CITY.AreaID = ? ORDER BY T02_CITY.AreaID, T02_CITY.CityID LIMIT 1 OFFSET ?";
inline constexpr const char* kSelectSeen = "SELECT ID FROM T00_DATA WHERE UrlKey = ?";
inline constexpr const char* kInsertSeen = "INSERT INTO T00_DATA (UrlKey) VALUES (?)";
inline constexpr const char* kDeleteCities = "DELETE FROM T02_CITY";
// The refresh's own form of the AreaAlpha look-up ("= " and a closing ";").
inline constexpr const char* kSelectAreaAlphaForRefresh = "SELECT AreaAlpha FROM T01_AREA WHERE AreaID = ?;";
inline constexpr const char* kInsertCity =
    "INSERT INTO T02_CITY (AreaID, CityID, CityCode, CityName) VALUES (?, ?, ?, ?)";
inline constexpr const char* kDeleteGenres = "DELETE FROM T10_CTGR";
inline constexpr const char* kInsertGenre =
    "INSERT INTO T10_CTGR (CtgrID, CtgrSubID, CtgrCode, CtgrName) VALUES (?, ?, ?, ?)";

// The history of collected listings, across runs. Keyed by UrlKey without a row id, so a look-up
// is one descent of the key's own tree however many keys the history holds.
inline constexpr const char* kCreateHistory =
    "CREATE TABLE IF NOT EXISTS T20_HIST (UrlKey TEXT PRIMARY KEY, FirstSeen TEXT NOT NULL, LastSeen TEXT NOT NULL) "
    "WITHOUT ROWID";
inline constexpr const char* kTouchHistory = "UPDATE T20_HIST SET LastSeen = ? WHERE UrlKey = ?";
inline constexpr const char* kRecordHistory = "INSERT INTO T20_HIST (UrlKey, FirstSeen, LastSeen) VALUES (?, ?, ?) "
                                              "ON CONFLICT (UrlKey) DO UPDATE SET LastSeen = excluded.LastSeen";
inline constexpr const char* kSummariseHistory =
    "SELECT COUNT(*) AS Listings, MIN(FirstSeen) AS Oldest, MAX(FirstSeen) AS Newest FROM T20_HIST";
inline constexpr const char* kForgetHistory = "DELETE FROM T20_HIST";
inline constexpr const char* kForgetHistoryBefore = "DELETE FROM T20_HIST WHERE LastSeen < ?";

} // namespace vorn::sql
