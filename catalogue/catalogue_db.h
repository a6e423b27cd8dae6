#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vorn {

// A statement failed, or the database could not be opened. what() is UTF-8 text for display.
class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bytes kept as they are (a blob), without the text's conversion.
struct DbBytes {
    std::string_view bytes;
};

// A value bound to a statement parameter: an integer, CP932 text, bytes, or null.
using DbValue = std::variant<std::int64_t, std::string, DbBytes, std::nullptr_t>;

// Rows of one statement, read from the first on. Text comes back as CP932.
class DbRows {
public:
    DbRows(DbRows&&) noexcept;
    DbRows& operator=(DbRows&&) noexcept;
    ~DbRows();

    bool AtEnd() const { return atEnd_; }
    void Next();
    std::string Text(std::string_view column) const;
    std::int64_t Integer(std::string_view column) const;
    // A blob (or text) column's bytes as stored.
    std::string Bytes(std::string_view column) const;
    bool IsNull(std::string_view column) const;
    void Close();

private:
    friend class CatalogueDb;
    DbRows(sqlite3_stmt* statement, bool kept);
    int ColumnIndex(std::string_view column) const;

    sqlite3_stmt* statement_ = nullptr;
    bool atEnd_ = true;
    bool kept_ = false; // the connection's own statement: reset, not finalized
};

// The program's one connection to db/vrn_data.db. Values are always bound as parameters, so a
// value holding a quote neither breaks nor changes a statement. Text is CP932 on this side and
// UTF-8 in the file. Used on one thread only (the user-interface thread in the window).
class CatalogueDb {
public:
    CatalogueDb();
    ~CatalogueDb();
    CatalogueDb(const CatalogueDb&) = delete;
    CatalogueDb& operator=(const CatalogueDb&) = delete;

    // Remembers the file; the connection opens with the first statement.
    void Configure(const std::filesystem::path& file);
    bool IsConfigured() const { return !file_.empty(); }

    DbRows OpenRows(std::string_view statement, const std::vector<DbValue>& values = {});
    // Answers how many rows the statement changed.
    std::int64_t Execute(std::string_view statement, const std::vector<DbValue>& values = {});
    // The same two with the statement prepared once and kept for the connection, for those a run
    // makes for every listing; statement is a literal that outlives the connection. Kept rows
    // must be closed (or gone) before the same statement runs again.
    DbRows OpenKeptRows(const char* statement, const std::vector<DbValue>& values = {});
    std::int64_t ExecuteKept(const char* statement, const std::vector<DbValue>& values = {});

    // True when the key was recorded earlier in this run; otherwise records it (keys of any
    // length) and answers false. A failed insert is ignored. With alsoHistory, a key the history
    // of earlier runs holds answers true as well, and its LastSeen becomes today.
    bool SeenListing(const std::string& key, bool alsoHistory = false);
    // Adds a listing whose row was written to the history (or moves its LastSeen to today), in
    // the seen keys' batch. A failure is ignored: the listing may then come out again.
    void RecordCollected(const std::string& key);
    // Commits the keys recorded since the last commit; the end of a run calls it. Keys are
    // committed in batches, any other statement commits them first, and so does closing.
    void CommitSeen();
    // A transaction of the caller's. Seen keys waiting in an open batch are committed with it
    // rather than first in a commit of their own; a rollback keeps them; keys not yet written
    // wait for their batch. Each throws DbError.
    void BeginTransaction();
    void CommitTransaction();
    void RollbackTransaction();

private:
    sqlite3* Connection();
    // A statement prepared once for the connection, reset before each use.
    sqlite3_stmt* Reusable(sqlite3_stmt*& slot, std::string_view statement, std::initializer_list<DbValue> values);
    sqlite3_stmt* Kept(const char* statement, const std::vector<DbValue>& values);
    void BeginBatch();
    void CountInBatch();
    void WriteWaitingKeys();
    void Close();

    std::filesystem::path file_;
    sqlite3* db_ = nullptr;
    // The seen-listing check runs for every listing of a run: its statements are kept.
    sqlite3_stmt* selectSeen_ = nullptr;
    sqlite3_stmt* insertSeen_ = nullptr;
    sqlite3_stmt* touchHistory_ = nullptr;
    sqlite3_stmt* recordHistory_ = nullptr;
    // Keys recorded in the open batch transaction, if one is open.
    int uncommittedSeen_ = 0;
    // Seen keys not yet written: written a batch at a time in a transaction of their own, so a
    // listing's own commit does not also write the seen keys' pages.
    std::vector<std::string> waitingKeys_;
    bool inTransaction_ = false;
    // The caller's transaction runs inside the seen keys' batch, and its commit ends the batch.
    bool joinedBatch_ = false;
    std::vector<std::pair<const char*, sqlite3_stmt*>> kept_;
};

// Today in local time as YYYY-MM-DD, the history's dates.
std::string LocalDateToday();
// Local time now as YYYY-MM-DD HH:MM:SS, the times of the store's runs.
std::string LocalTimeNow();

} // namespace vorn
