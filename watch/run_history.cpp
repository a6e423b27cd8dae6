#include "watch/run_history.h"

#include <map>

#include "watch/store_statements.h"

namespace vorn {

namespace {

StoredRun RunFrom(const DbRows& rows) {
    StoredRun run;
    run.id = rows.Integer("RunID");
    run.started = rows.Text("Started");
    run.conditions = rows.Text("Conditions");
    run.mode = rows.Text("Mode");
    run.outcome = rows.Text("Outcome");
    run.rows = rows.Integer("Rows");
    run.automatic = rows.Integer("Automatic") != 0;
    return run;
}

// Adds the counts of the runs found by statement to those runs.
void AddCounts(CatalogueDb& db, std::vector<StoredRun>& runs, const char* statement,
               const std::vector<DbValue>& values) {
    std::map<std::int64_t, StoredRun*> byId;
    for (StoredRun& run : runs) {
        byId[run.id] = &run;
    }
    for (DbRows rows = db.OpenRows(statement, values); !rows.AtEnd(); rows.Next()) {
        const auto run = byId.find(rows.Integer("RunID"));
        const std::optional<ChangeKind> kind = ChangeKindOf(rows.Text("Kind"));
        if (run != byId.end() && kind) {
            run->second->counts.counts[static_cast<int>(*kind)] += static_cast<int>(rows.Integer("Found"));
        }
    }
}

} // namespace

std::vector<StoredRun> StoredRuns(CatalogueDb& db) {
    EnsureStore(db);
    std::vector<StoredRun> runs;
    for (DbRows rows = db.OpenRows(sql::kSelectRuns); !rows.AtEnd(); rows.Next()) {
        runs.push_back(RunFrom(rows));
    }
    AddCounts(db, runs, sql::kSelectRunCounts, {});
    return runs;
}

std::optional<StoredRun> StoredRunOf(CatalogueDb& db, std::int64_t runId) {
    EnsureStore(db);
    std::vector<StoredRun> runs;
    for (DbRows rows = db.OpenRows(sql::kSelectRun, {runId}); !rows.AtEnd(); rows.Next()) {
        runs.push_back(RunFrom(rows));
    }
    if (runs.empty()) {
        return std::nullopt;
    }
    AddCounts(db, runs, sql::kSelectOneRunCounts, {runId});
    return runs.front();
}

std::optional<std::int64_t> LastRunWithRows(CatalogueDb& db) {
    EnsureStore(db);
    DbRows rows = db.OpenRows(sql::kSelectLastRunWithRows);
    return rows.AtEnd() || rows.IsNull("RunID") ? std::nullopt : std::optional<std::int64_t>(rows.Integer("RunID"));
}

std::vector<StoredRunRow> RunRowsAfter(CatalogueDb& db, std::int64_t runId, std::int64_t afterSeq, int limit) {
    EnsureStore(db);
    std::vector<StoredRunRow> page;
    for (DbRows rows = db.OpenRows(sql::kSelectRunRowsAfter, {runId, afterSeq, std::int64_t{limit}}); !rows.AtEnd();
         rows.Next()) {
        page.push_back({rows.Integer("Seq"), {SplitFields(rows.Bytes("Fields")), rows.Text("Change")}});
    }
    return page;
}

std::int64_t ForgetRunsBefore(CatalogueDb& db, const std::string& day) {
    EnsureStore(db);
    std::int64_t runs = 0;
    db.BeginTransaction();
    try {
        for (const char* statement : sql::kForgetRunsBefore) {
            runs = db.Execute(statement, {day});
        }
        db.CommitTransaction();
    } catch (const DbError&) {
        db.RollbackTransaction();
        throw;
    }
    return runs;
}

} // namespace vorn
