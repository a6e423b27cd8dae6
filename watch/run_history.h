#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue_db.h"
#include "watch/listing_changes.h"
#include "watch/listing_store.h"

namespace vorn {

// A run as the store keeps it (CP932 text).
struct StoredRun {
    std::int64_t id = 0;
    std::string started;    // YYYY-MM-DD HH:MM:SS
    std::string conditions; // as ConditionsText gives them
    std::string mode;       // "all", "new-only", "changes-only"; empty for a run stored before modes were kept
    std::string outcome;    // empty: the run has not ended (it is going on, or it was killed)
    std::int64_t rows = 0;  // rows written
    bool automatic = false; // begun by a schedule, not by a person
    ChangeCounts counts;    // the changes found, as kept
};

// Every run, newest first.
std::vector<StoredRun> StoredRuns(CatalogueDb& db);
std::optional<StoredRun> StoredRunOf(CatalogueDb& db, std::int64_t runId);

// The last run that wrote any rows, if one did.
std::optional<std::int64_t> LastRunWithRows(CatalogueDb& db);

// A row a run wrote, with its place in the run.
struct StoredRunRow {
    std::int64_t seq = 0;
    StoredRow row;
};
// Up to limit rows of the run, in their order, after the row numbered afterSeq (0: from the first).
std::vector<StoredRunRow> RunRowsAfter(CatalogueDb& db, std::int64_t runId, std::int64_t afterSeq, int limit);

// Forgets the runs begun before the day (YYYY-MM-DD), with their changes and rows; the listings
// stay as last read, so later runs still find what changed. Answers how many runs went.
std::int64_t ForgetRunsBefore(CatalogueDb& db, const std::string& day);

} // namespace vorn
