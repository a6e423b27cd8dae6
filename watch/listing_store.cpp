#include "watch/listing_store.h"

#include <algorithm>

#include "watch/market_statements.h"
#include "watch/store_statements.h"

namespace vorn {

namespace {

bool HasColumn(CatalogueDb& db, const char* statement) {
    DbRows rows = db.OpenRows(statement);
    return !rows.AtEnd() && rows.Integer("Found") != 0;
}

// Ends each value in the stored Fields; no CP932 text holds it.
constexpr char kFieldEnd = '\x1f';

} // namespace

std::string JoinFields(const ItemFields& fields) {
    std::string joined;
    for (const std::string& field : fields) {
        joined += field;
        joined += kFieldEnd;
    }
    return joined;
}

ItemFields SplitFields(const std::string& joined) {
    ItemFields fields;
    std::size_t start = 0;
    for (std::string& field : fields) {
        const std::size_t end = joined.find(kFieldEnd, start);
        if (end == std::string::npos) {
            break;
        }
        field = joined.substr(start, end - start);
        start = end + 1;
    }
    return fields;
}

void EnsureStore(CatalogueDb& db) {
    for (const char* statement : sql::kCreateStore) {
        db.Execute(statement);
    }
    db.Execute(sql::kCreateMarket);
    db.Execute(sql::kCreateMarketIndex);
    if (!HasColumn(db, sql::kSelectRunHasMode)) {
        db.Execute(sql::kAddRunMode);
    }
    if (!HasColumn(db, sql::kSelectRowHasFields)) {
        db.Execute(sql::kAddRowFields);
    }
    if (!HasColumn(db, sql::kSelectRunHasAutomatic)) {
        db.Execute(sql::kAddRunAutomatic);
    }
    if (!HasColumn(db, sql::kSelectRunHasCounts)) {
        for (const char* statement : sql::kAddRunCounts) {
            db.Execute(statement);
        }
    }
}

std::vector<StoredChange> StoredChanges(CatalogueDb& db, const std::string& sinceDay,
                                        const std::vector<ChangeKind>& kinds) {
    EnsureStore(db);
    std::vector<StoredChange> changes;
    for (DbRows rows = db.OpenRows(sql::kSelectChanges, {sinceDay}); !rows.AtEnd(); rows.Next()) {
        StoredChange change{rows.Text("Started"), rows.Text("Kind"),  rows.Text("Title"),
                            rows.Text("Before"),  rows.Text("After"), "https" + rows.Text("UrlKey")};
        const std::optional<ChangeKind> kind = ChangeKindOf(change.kind);
        if (kinds.empty() || (kind && std::find(kinds.begin(), kinds.end(), *kind) != kinds.end())) {
            changes.push_back(std::move(change));
        }
    }
    return changes;
}

std::int64_t ForgetStore(CatalogueDb& db, const std::string& beforeDay) {
    EnsureStore(db);
    if (beforeDay.empty()) {
        std::int64_t listings = 0;
        for (const char* statement : sql::kForgetStore) {
            listings = db.Execute(statement);
        }
        return listings;
    }
    const std::int64_t listings = db.Execute(sql::kForgetStoreBefore[0], {beforeDay});
    db.Execute(sql::kForgetStoreBefore[1]);
    db.Execute(sql::kForgetStoreBefore[2]);
    return listings;
}

} // namespace vorn
