#include "watch/run_history.h"

#include "watch/store_statements.h"

namespace vorn {

namespace {

constexpr const char* kCountColumns[] = {"NewCount", "RepostedCount", "CheaperCount", "DearerCount", "ClosedCount"};

StoredRun RunFrom(CatalogueDb& db, const DbRows& rows) {
    StoredRun run;
    run.id = rows.Integer("RunID");
    run.started = rows.Text("Started");
    run.conditions = rows.Text("Conditions");
    run.mode = rows.Text("Mode");
    run.outcome = rows.Text("Outcome");
    run.rows = rows.Integer("Rows");
    run.automatic = rows.Integer("Automatic") != 0;
    if (!rows.IsNull(kCountColumns[0])) {
        for (int kind = 0; kind < 5; ++kind) {
            run.counts.counts[kind] = static_cast<int>(rows.Integer(kCountColumns[kind]));
        }
        return run;
    }
    for (DbRows found = db.OpenRows(sql::kSelectOneRunCounts, {run.id}); !found.AtEnd(); found.Next()) {
        if (const std::optional<ChangeKind> kind = ChangeKindOf(found.Text("Kind"))) {
            run.counts.counts[static_cast<int>(*kind)] += static_cast<int>(found.Integer("Found"));
        }
    }
    return run;
}

} // namespace

std::vector<StoredRun> StoredRuns(CatalogueDb& db) {
    EnsureStore(db);
    std::vector<StoredRun> runs;
    for (DbRows rows = db.OpenRows(sql::kSelectRuns); !rows.AtEnd(); rows.Next()) {
        runs.push_back(RunFrom(db, rows));
    }
    return runs;
}

std::optional<StoredRun> StoredRunOf(CatalogueDb& db, std::int64_t runId) {
    EnsureStore(db);
    DbRows rows = db.OpenRows(sql::kSelectRun, {runId});
    return rows.AtEnd() ? std::nullopt : std::optional<StoredRun>(RunFrom(db, rows));
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
