#include "watch/run_watch.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"
#include "web/cp932.h"

namespace vorn {
namespace {

ItemFields Listing(int article, const std::string& title, const std::string& price) {
    ItemFields fields;
    fields[kTitle] = UTF8ToAnsi(title);
    fields[kPrice] = UTF8ToAnsi(price);
    fields[kReception] = UTF8ToAnsi("受付中");
    fields[kProfileUrl] = "https://127.0.0.1/profile/7";
    fields[kDetailUrl] = "https://127.0.0.1/article/" + std::to_string(article);
    return fields;
}

// Each listing's record is committed at once and reaches the store's tables a batch later: a run
// must know what it recorded before then, and the next run must find every listing settled.
TEST(RunWatchTest, ListingsRecordedAndNotYetSettledAreKnownToTheRunAndTheNext) {
    test::TestProgramDir dir;
    CatalogueDb db;
    db.Configure(dir.databaseFile());
    const auto changeOf = [](RunWatch& run, const ItemFields& fields) {
        const ListingWatch::Verdict verdict = run.Judge(fields);
        run.Recorded(fields, verdict, verdict.write);
        return AnsiToUtf8(verdict.change);
    };
    {
        RunWatch first(db, WriteMode::All);
        for (int article = 1; article <= 70; ++article) { // over a batch
            EXPECT_EQ(changeOf(first, Listing(article, "机 " + std::to_string(article), "12,000円")), "新着");
        }
        EXPECT_EQ(changeOf(first, Listing(71, "机 70", "12,000円")), "再掲載") << "70 is not settled yet";
    }
    RunWatch second(db, WriteMode::All);
    EXPECT_EQ(changeOf(second, Listing(1, "机 1", "9,800円")), "値下げ 12,000円→9,800円");
    for (int article = 2; article <= 71; ++article) {
        EXPECT_EQ(changeOf(second, Listing(article, "机 " + std::to_string(article), "12,000円")), "") << article;
    }
    EXPECT_EQ(second.counts().Total(), 1);
}

} // namespace
} // namespace vorn
