#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue_db.h"
#include "extract/item_fields.h"
#include "watch/listing_changes.h"

namespace vorn {

// A change the store holds, as `changes` lists it (CP932).
struct StoredChange {
    std::string when; // the run's start, YYYY-MM-DD HH:MM:SS
    std::string kind;
    std::string title;
    std::string before;
    std::string after;
    std::string url;
};

// The changes found from sinceDay (YYYY-MM-DD; empty: all) on, of the kinds given (none: all),
// newest first.
std::vector<StoredChange> StoredChanges(CatalogueDb& db, const std::string& sinceDay,
                                        const std::vector<ChangeKind>& kinds);

// A row of a run, as it was written.
struct StoredRow {
    ItemFields fields;
    std::string change;
};

// Makes the store's tables where the database lacks them.
void EnsureStore(CatalogueDb& db);
// Forgets the listings and changes of the store (before a day: those last read before it);
// answers how many listings went.
std::int64_t ForgetStore(CatalogueDb& db, const std::string& beforeDay);

// The stored form of a listing's fields and back.
std::string JoinFields(const ItemFields& fields);
ItemFields SplitFields(const std::string& joined);

} // namespace vorn
