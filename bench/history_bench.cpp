// The per-listing cost of the seen-listing check together with the history check and the history
// write, with an empty history and with 1,000,000 keys in it.
//   vorn_history_bench SHIPPED.db

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "catalogue/catalogue_db.h"
#include "catalogue/statements.h"

namespace {

namespace fs = std::filesystem;

constexpr int kListings = 20000;
constexpr int kRounds = 5;

std::string Key(std::int64_t n) { return "://127.0.0.1:8443/article/" + std::to_string(n); }

double NanosecondsPerListing(const fs::path& shipped, std::int64_t historyKeys) {
    const fs::path file = fs::temp_directory_path() / "vorn_history_bench.db";
    fs::remove(file);
    fs::copy_file(shipped, file);
    vorn::CatalogueDb db;
    db.Configure(file);
    // The listings of earlier runs: article IDs from 1 up.
    db.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
               "INSERT INTO T20_HIST SELECT '://127.0.0.1:8443/article/' || i, '2026-01-01', '2026-01-01' FROM n",
               {historyKeys});
    // A history that grew over many runs lies in the file, not in the write-ahead log.
    db.OpenRows("PRAGMA wal_checkpoint(TRUNCATE)").Close();
    // The fastest of several rounds: the machine's other work and the file system's own
    // flushes only ever add time, so the least is the cost of the checks themselves.
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Each round meets the history as it was, without the rows earlier rounds added.
        db.Execute("DELETE FROM T20_HIST WHERE FirstSeen <> '2026-01-01'");
        db.Execute(vorn::sql::kDeleteSeen);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kListings; ++i) {
            // Half the listings met are old ones spread over the history, half are new (the
            // site numbers its articles upwards) and get their row.
            const std::int64_t n = std::int64_t{round} * kListings + i;
            const std::string key = Key(i % 2 == 0 ? 1 + (n * 7919) % 1000000 : 2000000 + n);
            if (!db.SeenListing(key, true)) {
                db.RecordCollected(key);
            }
        }
        db.CommitSeen();
        const double perListing =
            std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / kListings;
        best = round == 0 ? perListing : std::min(best, perListing);
    }
    db.Configure({});
    fs::remove(file);
    fs::remove(file.string() + "-wal");
    fs::remove(file.string() + "-shm");
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SHIPPED.db\n", argv[0]);
        return 2;
    }
    const double empty = NanosecondsPerListing(argv[1], 0);
    const double full = NanosecondsPerListing(argv[1], 1000000);
    std::printf("history of 0 keys:         %8.0f ns per listing\n", empty);
    std::printf("history of 1,000,000 keys: %8.0f ns per listing (%.2f times)\n", full, full / empty);
    return full <= 1.5 * empty ? 0 : 1;
}
