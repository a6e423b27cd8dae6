// The store of listings' work per listing a run reads (the watch's judgement and its record),
// with an empty store and with 1,000,000 listings stored.
//   vorn_store_bench SHIPPED.db          both, and exits 1 when the second is over 1.5 times the first
//   vorn_store_bench SHIPPED.db STORED   one store of that many listings, for a profiler

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "catalogue/catalogue_db.h"
#include "watch/run_watch.h"
#include "web/cp932.h"

namespace {

namespace fs = std::filesystem;

constexpr int kListings = 10000;
constexpr int kRounds = 5;
constexpr std::int64_t kStored = 1000000;

const std::string kSite = "https://127.0.0.1:8443";

// A listing as a page gives it: a description of 1 to 2 KB, the other fields of their usual sizes.
vorn::ItemFields Listing(std::int64_t id, int round) {
    static const std::string sentence = vorn::UTF8ToAnsi("状態は良好です。お気軽にお問い合わせください。");
    vorn::ItemFields fields;
    const std::string number = std::to_string(id);
    fields[vorn::kPostId] = number;
    fields[vorn::kTitle] = vorn::UTF8ToAnsi("木製の学習机 椅子付き ") + number;
    for (std::size_t size = 1000 + static_cast<std::size_t>(id % 1000); fields[vorn::kDescription].size() < size;) {
        fields[vorn::kDescription] += sentence;
    }
    // A known listing's price moves now and then, as sellers lower theirs.
    fields[vorn::kPrice] = std::to_string(12000 - (id % 7 == 0 ? round * 500 : 0)) + vorn::UTF8ToAnsi("円");
    fields[vorn::kReception] = vorn::UTF8ToAnsi("受付中");
    fields[vorn::kGenre] = vorn::UTF8ToAnsi("家具");
    fields[vorn::kPlace] = vorn::UTF8ToAnsi("東京都 世田谷区");
    fields[vorn::kPosterName] = vorn::UTF8ToAnsi("出品者") + std::to_string(id % 50000);
    fields[vorn::kPosterGender] = vorn::UTF8ToAnsi("男性");
    fields[vorn::kPostCount] = "12";
    fields[vorn::kIntroduction] = vorn::UTF8ToAnsi("よろしくお願いします。");
    fields[vorn::kGoodRatings] = "30";
    fields[vorn::kNormalRatings] = "1";
    fields[vorn::kBadRatings] = "0";
    fields[vorn::kFavourites] = "4";
    fields[vorn::kUpdatedDate] = "2026/01/02";
    fields[vorn::kCreatedDate] = "2026/01/01";
    for (int i = 0; i < vorn::kMaxImages; ++i) {
        fields[vorn::kFirstImageUrl + i] = kSite + "/img/" + number + "_" + std::to_string(i + 1) + ".jpg";
    }
    fields[vorn::kProfileUrl] = kSite + "/profile/" + std::to_string(id % 50000);
    fields[vorn::kDetailUrl] = kSite + "/article/" + number;
    return fields;
}

double NanosecondsPerListing(const fs::path& shipped, std::int64_t stored) {
    const fs::path file = fs::temp_directory_path() / "vorn_store_bench.db";
    fs::remove(file);
    fs::remove(file.string() + "-wal");
    fs::remove(file.string() + "-shm");
    fs::copy_file(shipped, file);
    vorn::CatalogueDb db;
    db.Configure(file);
    { const vorn::RunWatch makesTables(db, vorn::WriteMode::All); }
    // The listings of earlier runs, article IDs from 1 up, each with a stored description of the
    // same sizes as those read; written in one statement.
    if (stored > 0) {
        db.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                   "INSERT INTO T21_ITEM SELECT '://127.0.0.1:8443/article/' || i, "
                   "zeroblob(1300 + i % 1000), 'title ' || i, '12,000円', 12000, '受付中', "
                   "'https://127.0.0.1:8443/profile/' || (i % 50000), '2026-01-01', '2026-01-01' FROM n",
                   {stored});
        db.Execute("INSERT INTO T20_HIST SELECT UrlKey, '2026-01-01', '2026-01-01' FROM T21_ITEM");
    }
    // A store that grew over many runs lies in the file, not in the write-ahead log.
    db.OpenRows("PRAGMA wal_checkpoint(TRUNCATE)").Close();
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Each round meets the store as it was, without the listings earlier rounds added.
        db.Execute("DELETE FROM T21_ITEM WHERE FirstSeen <> '2026-01-01'");
        db.Execute("DELETE FROM T20_HIST WHERE FirstSeen <> '2026-01-01'");
        db.Execute("DELETE FROM T23_CHANGE");
        db.Execute("DELETE FROM T24_ROW");
        vorn::RunWatch watch(db, vorn::WriteMode::All);
        // Made beforehand: the page's reading is not the store's work.
        std::vector<vorn::ItemFields> listings;
        listings.reserve(kListings);
        for (int i = 0; i < kListings; ++i) {
            // Half old listings spread over the store, half new ones (the site numbers upwards).
            const std::int64_t n = std::int64_t{round} * kListings + i;
            listings.push_back(Listing(i % 2 == 0 ? 1 + (n * 7919) % kStored : 2 * kStored + n, round));
        }
        const auto start = std::chrono::steady_clock::now();
        for (const vorn::ItemFields& listing : listings) {
            const vorn::ListingWatch::Verdict verdict = watch.Judge(listing, {});
            watch.Recorded(listing, verdict, verdict.write);
        }
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
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s SHIPPED.db [STORED]\n", argv[0]);
        return 2;
    }
    if (argc == 3) {
        std::printf("%8.0f ns per listing\n", NanosecondsPerListing(argv[1], std::stoll(argv[2])));
        return 0;
    }
    const double empty = NanosecondsPerListing(argv[1], 0);
    const double full = NanosecondsPerListing(argv[1], kStored);
    std::printf("store of 0 listings:         %8.0f ns per listing\n", empty);
    std::printf("store of 1,000,000 listings: %8.0f ns per listing (%.2f times)\n", full, full / empty);
    return full <= 1.5 * empty ? 0 : 1;
}
