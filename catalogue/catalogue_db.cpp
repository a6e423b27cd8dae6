#include "catalogue/catalogue_db.h"

#include <algorithm>
#include <ctime>
#include <utility>

#include <strings.h>

#include <sqlite3.h>

#include "catalogue/log_writes.h"
#include "catalogue/statements.h"
#include "web/cp932.h"

namespace vorn {

namespace {

// A database briefly locked by another process (the terminal program, a second window) is
// waited for rather than failing the command at once.
constexpr int kBusyTimeoutMs = 5000;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

std::string Describe(sqlite3* db, std::string_view statement) {
    std::string message = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    message += " (statement: ";
    message += statement;
    message += ")";
    return message;
}

// SQLite counts parameters from 1.
void Bind(sqlite3* db, sqlite3_stmt* raw, std::string_view statement, int index, const DbValue& value) {
    int status = SQLITE_OK;
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        status = sqlite3_bind_int64(raw, index, *number);
    } else if (const auto* bytes = std::get_if<DbBytes>(&value)) {
        status = sqlite3_bind_blob64(raw, index, bytes->bytes.data(), bytes->bytes.size(), SQLITE_TRANSIENT);
    } else if (std::holds_alternative<std::nullptr_t>(value)) {
        status = sqlite3_bind_null(raw, index);
    } else {
        const std::string utf8 = AnsiToUtf8(std::get<std::string>(value));
        status = sqlite3_bind_text64(raw, index, utf8.data(), utf8.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    if (status != SQLITE_OK) {
        throw DbError(Describe(db, statement));
    }
}

sqlite3_stmt* PrepareRaw(sqlite3* db, std::string_view statement, unsigned flags = 0) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v3(db, statement.data(), static_cast<int>(statement.size()), flags, &raw, nullptr) !=
        SQLITE_OK) {
        throw DbError(Describe(db, statement));
    }
    return raw;
}

StatementHandle Prepare(sqlite3* db, std::string_view statement, const std::vector<DbValue>& values) {
    StatementHandle handle(PrepareRaw(db, statement));
    int index = 1;
    for (const DbValue& value : values) {
        Bind(db, handle.get(), statement, index++, value);
    }
    return handle;
}

// A kept statement made ready for another use with these values.
template <typename Values>
void Rebind(sqlite3* db, sqlite3_stmt* raw, std::string_view statement, const Values& values) {
    sqlite3_reset(raw);
    sqlite3_clear_bindings(raw);
    int index = 1;
    for (const DbValue& value : values) {
        Bind(db, raw, statement, index++, value);
    }
}

// True for a row, false at the end; a failure throws.
bool Step(sqlite3_stmt* statement) {
    const int status = sqlite3_step(statement);
    if (status == SQLITE_ROW) {
        return true;
    }
    if (status == SQLITE_DONE) {
        return false;
    }
    throw DbError(Describe(sqlite3_db_handle(statement), sqlite3_sql(statement)));
}

// Columns are found as the database's own field lookup finds them: without regard to case, and
// "T01_AREA.AreaAlpha" answers to "AreaAlpha".
bool ColumnNameMatches(const char* name, std::string_view wanted) {
    std::string_view actual = name != nullptr ? name : "";
    const std::size_t dot = actual.rfind('.');
    if (dot != std::string_view::npos) {
        actual.remove_prefix(dot + 1);
    }
    return actual.size() == wanted.size() && strncasecmp(actual.data(), wanted.data(), wanted.size()) == 0;
}

} // namespace

DbRows::DbRows(sqlite3_stmt* statement, bool kept) : statement_(statement), atEnd_(false), kept_(kept) {}

DbRows::DbRows(DbRows&& other) noexcept : statement_(other.statement_), atEnd_(other.atEnd_), kept_(other.kept_) {
    other.statement_ = nullptr;
    other.atEnd_ = true;
}

DbRows& DbRows::operator=(DbRows&& other) noexcept {
    if (this != &other) {
        Close();
        statement_ = other.statement_;
        atEnd_ = other.atEnd_;
        kept_ = other.kept_;
        other.statement_ = nullptr;
        other.atEnd_ = true;
    }
    return *this;
}

DbRows::~DbRows() { Close(); }

void DbRows::Next() {
    if (statement_ == nullptr || atEnd_) {
        atEnd_ = true;
        return;
    }
    atEnd_ = !Step(statement_);
}

std::string DbRows::Text(std::string_view column) const {
    const int index = ColumnIndex(column);
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, index));
    if (bytes == nullptr) {
        return {};
    }
    return UTF8ToAnsi(std::string_view(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, index))));
}

std::int64_t DbRows::Integer(std::string_view column) const {
    return sqlite3_column_int64(statement_, ColumnIndex(column));
}

std::string DbRows::Bytes(std::string_view column) const {
    const int index = ColumnIndex(column);
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, index));
    return bytes == nullptr ? std::string()
                            : std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, index)));
}

bool DbRows::IsNull(std::string_view column) const {
    return sqlite3_column_type(statement_, ColumnIndex(column)) == SQLITE_NULL;
}

void DbRows::Close() {
    if (statement_ != nullptr && kept_) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
        statement_ = nullptr;
    } else if (statement_ != nullptr) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
    atEnd_ = true;
}

int DbRows::ColumnIndex(std::string_view column) const {
    if (statement_ == nullptr || atEnd_) {
        throw DbError("no current row to read " + std::string(column) + " from");
    }
    const int count = sqlite3_column_count(statement_);
    for (int i = 0; i < count; ++i) {
        if (ColumnNameMatches(sqlite3_column_name(statement_, i), column)) {
            return i;
        }
    }
    throw DbError("no column " + std::string(column) + " (statement: " + sqlite3_sql(statement_) + ")");
}

CatalogueDb::CatalogueDb() = default;

CatalogueDb::~CatalogueDb() { Close(); }

void CatalogueDb::Configure(const std::filesystem::path& file) {
    Close();
    file_ = file;
}

void CatalogueDb::Close() {
    CommitSeen();
    for (sqlite3_stmt** slot : {&selectSeen_, &insertSeen_, &touchHistory_, &recordHistory_}) {
        sqlite3_finalize(*slot);
        *slot = nullptr;
    }
    for (const auto& [text, prepared] : kept_) {
        sqlite3_finalize(prepared);
    }
    kept_.clear();
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

DbRows CatalogueDb::OpenRows(std::string_view statement, const std::vector<DbValue>& values) {
    DbRows rows(Prepare(Connection(), statement, values).release(), false);
    rows.Next();
    return rows;
}

std::int64_t CatalogueDb::Execute(std::string_view statement, const std::vector<DbValue>& values) {
    CommitSeen(); // a statement of its own, never part of a batch (nor a BEGIN inside one)
    StatementHandle handle = Prepare(Connection(), statement, values);
    while (Step(handle.get())) {
    }
    return sqlite3_changes64(db_);
}

sqlite3_stmt* CatalogueDb::Kept(const char* statement, const std::vector<DbValue>& values) {
    sqlite3* db = Connection();
    sqlite3_stmt* raw = nullptr;
    for (const auto& [text, prepared] : kept_) {
        if (text == statement) {
            raw = prepared;
            break;
        }
    }
    if (raw == nullptr) {
        raw = PrepareRaw(db, statement, SQLITE_PREPARE_PERSISTENT);
        kept_.emplace_back(statement, raw);
    }
    Rebind(db, raw, statement, values);
    return raw;
}

DbRows CatalogueDb::OpenKeptRows(const char* statement, const std::vector<DbValue>& values) {
    DbRows rows(Kept(statement, values), true);
    rows.Next();
    return rows;
}

std::int64_t CatalogueDb::ExecuteKept(const char* statement, const std::vector<DbValue>& values) {
    CommitSeen();
    sqlite3_stmt* raw = Kept(statement, values);
    while (Step(raw)) {
    }
    sqlite3_reset(raw);
    return sqlite3_changes64(db_);
}

sqlite3_stmt* CatalogueDb::Reusable(sqlite3_stmt*& slot, std::string_view statement,
                                    std::initializer_list<DbValue> values) {
    sqlite3* db = Connection();
    if (slot == nullptr) {
        slot = PrepareRaw(db, statement, SQLITE_PREPARE_PERSISTENT);
    }
    Rebind(db, slot, statement, values);
    return slot;
}

// The seen keys only serve the run under way, so a batch lost with the program is no loss; a
// commit for every listing cost more than the rest of the listing's bookkeeping.
constexpr int kSeenKeysPerCommit = 64;

void CatalogueDb::BeginBatch() {
    if (uncommittedSeen_ == 0 && sqlite3_get_autocommit(db_) != 0) {
        sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr); // failing, each change commits alone
    }
}

void CatalogueDb::CountInBatch() {
    if (++uncommittedSeen_ >= kSeenKeysPerCommit) {
        CommitSeen();
    }
}

bool CatalogueDb::SeenListing(const std::string& key, bool alsoHistory) {
    if (std::find(waitingKeys_.begin(), waitingKeys_.end(), key) != waitingKeys_.end()) {
        return true;
    }
    sqlite3_stmt* select = Reusable(selectSeen_, sql::kSelectSeen, {key});
    bool seen = Step(select);
    sqlite3_reset(select); // ends its read before the insert
    if (seen) {
        return true;
    }
    waitingKeys_.push_back(key);
    if (alsoHistory) {
        // One statement both asks and dates: a key the history holds is the one row it changes,
        // so a history of years costs one descent of its tree per listing, not two.
        try {
            BeginBatch();
            sqlite3_stmt* touch = Reusable(touchHistory_, sql::kTouchHistory, {LocalDateToday(), key});
            Step(touch);
            sqlite3_reset(touch);
            seen = sqlite3_changes64(db_) > 0;
            CountInBatch();
        } catch (const DbError&) {
            // A history that cannot be written (a read-only file) passes nothing over.
        }
    }
    if (waitingKeys_.size() >= static_cast<std::size_t>(kSeenKeysPerCommit)) {
        CommitSeen();
    }
    return seen;
}

// A key that cannot be recorded only means the listing may come out twice.
void CatalogueDb::WriteWaitingKeys() {
    if (waitingKeys_.empty() || inTransaction_ || db_ == nullptr) {
        return;
    }
    BeginBatch();
    for (const std::string& key : waitingKeys_) {
        try {
            sqlite3_stmt* insert = Reusable(insertSeen_, sql::kInsertSeen, {key});
            Step(insert);
            sqlite3_reset(insert);
            ++uncommittedSeen_;
        } catch (const DbError&) {
        }
    }
    waitingKeys_.clear();
}

void CatalogueDb::RecordCollected(const std::string& key) {
    try {
        const std::string today = LocalDateToday();
        BeginBatch();
        sqlite3_stmt* record = Reusable(recordHistory_, sql::kRecordHistory, {key, today, today});
        Step(record);
        sqlite3_reset(record);
        CountInBatch();
    } catch (const DbError&) {
        // The listing is only not known as collected to a later run.
    }
}

void CatalogueDb::CommitSeen() {
    WriteWaitingKeys();
    if (uncommittedSeen_ == 0 || db_ == nullptr) {
        return;
    }
    uncommittedSeen_ = 0;
    // SQLite may have rolled the batch back itself after an I/O error.
    if (sqlite3_get_autocommit(db_) == 0 && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

// Every listing a run keeps has a seen key in the open batch: committing the batch first made two
// commits a listing, each writing the pages it touched to the log again.
void CatalogueDb::BeginTransaction() {
    sqlite3* db = Connection();
    joinedBatch_ = uncommittedSeen_ > 0 && sqlite3_get_autocommit(db) == 0;
    uncommittedSeen_ = 0;
    inTransaction_ = true; // keys waiting for their batch stay out of it
    try {
        ExecuteKept("SAVEPOINT own");
    } catch (const DbError&) {
        inTransaction_ = false;
        throw;
    }
}

void CatalogueDb::CommitTransaction() {
    ExecuteKept("RELEASE own"); // commits unless the batch was open
    if (joinedBatch_) {
        joinedBatch_ = false;
        ExecuteKept("COMMIT");
    }
    inTransaction_ = false;
}

void CatalogueDb::RollbackTransaction() {
    const bool joined = std::exchange(joinedBatch_, false);
    const struct Ended {
        bool& inTransaction;
        ~Ended() { inTransaction = false; }
    } ended{inTransaction_};
    if (sqlite3_get_autocommit(Connection()) != 0) {
        return; // SQLite rolled it back itself
    }
    try {
        ExecuteKept("ROLLBACK TO own");
        ExecuteKept("RELEASE own");
        if (joined) {
            ExecuteKept("COMMIT");
        }
    } catch (const DbError&) {
        ExecuteKept("ROLLBACK");
        throw;
    }
}

sqlite3* CatalogueDb::Connection() {
    if (db_ != nullptr) {
        return db_;
    }
    if (file_.empty()) {
        throw DbError("the database file is not configured");
    }
    // The file ships with the program: never create an empty one in its place.
    sqlite3* db = nullptr;
    const int status = sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READWRITE, LogWritesVfsName());
    if (status != SQLITE_OK) {
        std::string message = "cannot open " + file_.string() + ": ";
        message += db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(status);
        sqlite3_close_v2(db);
        throw DbError(message);
    }
    // A run records every listing it meets; in the default journal each of those costs several
    // disk flushes, more than the rest of the run's work. A write-ahead log flushed only at its
    // checkpoints keeps the file as safe from corruption. Asked before the busy time-out, so a
    // file locked by another process keeps the default journal at once instead of waiting twice.
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    // Every listing is its own commit, and a page the run keeps writing is copied back once a
    // checkpoint, not once every 1,000 pages' worth of commits.
    sqlite3_exec(db, "PRAGMA wal_autocheckpoint=10000", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // A database from before the history gets it here; failing (a read-only file), every history
    // statement fails the way a missing table would.
    sqlite3_exec(db, sql::kCreateHistory, nullptr, nullptr, nullptr);
    db_ = db;
    return db_;
}

namespace {

std::tm LocalTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

std::string Formatted(const std::tm& local, const char* format) {
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

} // namespace

// Asked for every listing a run records; a date can only change as a minute turns, so it is
// worked out again only once the minute it was worked out in has passed (or the clock went back).
std::string LocalDateToday() {
    thread_local std::time_t validUntil = 0;
    thread_local std::string today;
    const std::time_t now = std::time(nullptr);
    if (now >= validUntil || now + 60 < validUntil) {
        const std::tm local = LocalTime(now);
        today = Formatted(local, "%Y-%m-%d");
        validUntil = now + 60 - local.tm_sec;
    }
    return today;
}

std::string LocalTimeNow() { return Formatted(LocalTime(std::time(nullptr)), "%Y-%m-%d %H:%M:%S"); }

} // namespace vorn
