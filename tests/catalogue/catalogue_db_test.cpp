#include "catalogue/catalogue_db.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "catalogue/catalogue_lists.h"
#include "catalogue/refresh/top_genres.h"
#include "catalogue/statements.h"
#include "tests/support/test_program_dir.h"
#include "web/cp932.h"

namespace vorn {
namespace {

std::string Sjis(const std::string& utf8) { return UTF8ToAnsi(utf8); }

class CatalogueDbTest : public ::testing::Test {
protected:
    CatalogueDbTest() { db.Configure(dir.databaseFile()); }

    void InsertCity(int areaId, int cityId, const std::string& code, const std::string& name) {
        db.Execute(sql::kInsertCity, {std::int64_t{areaId}, std::int64_t{cityId}, code, name});
    }
    void InsertGenre(int ctgrId, int subId, const std::string& code, const std::string& name) {
        db.Execute(sql::kInsertGenre, {std::int64_t{ctgrId}, std::int64_t{subId}, code, name});
    }
    std::int64_t Count(const std::string& table) {
        DbRows rows = db.OpenRows("SELECT COUNT(*) AS N FROM " + table);
        return rows.Integer("N");
    }
    // The first value a statement gives on a connection of its own: what the file holds, read
    // past the class under test.
    std::string RawValue(const std::string& statement) {
        sqlite3* raw = nullptr;
        sqlite3_open_v2(dir.databaseFile().c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* prepared = nullptr;
        sqlite3_prepare_v2(raw, statement.c_str(), -1, &prepared, nullptr);
        const bool found = sqlite3_step(prepared) == SQLITE_ROW;
        std::string text = found ? reinterpret_cast<const char*>(sqlite3_column_text(prepared, 0)) : "";
        sqlite3_finalize(prepared);
        sqlite3_close(raw);
        return text;
    }
    std::string RawCityName(int areaId, int cityId) {
        return RawValue("SELECT CityName FROM T02_CITY WHERE AreaID = " + std::to_string(areaId) +
                        " AND CityID = " + std::to_string(cityId));
    }

    test::TestProgramDir dir;
    CatalogueDb db;
};

TEST_F(CatalogueDbTest, ShippedGenresAreTheTwentyTopGenresWithoutSubGenres) {
    const std::vector<GenreNode> nodes = LoadGenreNodes(db);
    const std::vector<TopGenre>& genres = TopGenres();
    ASSERT_EQ(nodes.size(), genres.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(genres[i].code);
        EXPECT_EQ(nodes[i].level, 0);
        EXPECT_EQ(nodes[i].parent, -1);
        EXPECT_EQ(nodes[i].text, " " + genres[i].name);
        EXPECT_EQ(nodes[i].code, "sale-" + genres[i].code + "/g-all");
    }
    EXPECT_EQ(nodes[0].text, Sjis(" 家具"));
    EXPECT_EQ(nodes[13].text, Sjis(" 本/CD/DVD"));
}

TEST_F(CatalogueDbTest, GenreNodesFollowCtgrIdAndSubIdOrder) {
    // Inserted out of order; CtgrID 21 has no row 0, so its first row stands for the genre.
    InsertGenre(1, 2, "sale-fur/g-2", Sjis("椅子"));
    InsertGenre(1, 1, "sale-fur/g-1", Sjis("ソファ"));
    InsertGenre(21, 5, "sale-x/g-5", "five");
    InsertGenre(21, 3, "sale-x/g-3", "three");
    const std::vector<GenreNode> nodes = LoadGenreNodes(db);
    ASSERT_EQ(nodes.size(), 24u);
    EXPECT_EQ(nodes[1].text, Sjis(" ソファ"));
    EXPECT_EQ(nodes[1].level, 1);
    EXPECT_EQ(nodes[1].parent, 0);
    EXPECT_EQ(nodes[2].code, "sale-fur/g-2");
    EXPECT_EQ(nodes[2].parent, 0);
    EXPECT_EQ(nodes[3].text, Sjis(" 家電"));
    EXPECT_EQ(nodes[3].level, 0);
    EXPECT_EQ(nodes[22].text, " three");
    EXPECT_EQ(nodes[22].level, 0);
    EXPECT_EQ(nodes[23].text, " five");
    EXPECT_EQ(nodes[23].parent, 22);
}

TEST_F(CatalogueDbTest, PrefectureNamesMatchTheComboItems) {
    const std::vector<std::string>& combo = PrefectureComboItems();
    ASSERT_EQ(combo.size(), 48u);
    EXPECT_EQ(combo[0], Sjis("（全都道府県）"));
    EXPECT_EQ(combo[13], Sjis("東京都"));
    const std::vector<std::string> names = LoadAreaNames(db, 0);
    EXPECT_EQ(names, std::vector<std::string>(combo.begin() + 1, combo.end()));
}

TEST_F(CatalogueDbTest, CitiesOfOnePrefectureInCityIdOrder) {
    InsertCity(13, 2, "a-13102", Sjis("中央区"));
    InsertCity(14, 1, "a-14101", Sjis("横浜市"));
    InsertCity(13, 1, "a-13101", Sjis("千代田区"));
    EXPECT_EQ(LoadAreaNames(db, 13), (std::vector<std::string>{Sjis("千代田区"), Sjis("中央区")}));
    EXPECT_TRUE(LoadAreaNames(db, 1).empty());
}

TEST_F(CatalogueDbTest, LookUpAreaPath) {
    InsertCity(13, 1, "a-13101", Sjis("千代田区"));
    struct Case {
        const char* name;
        int areaIndex;
        int comboIndex;
        std::string expected;
    };
    const Case cases[] = {
        {"first prefecture", 0, 0, "hokkaido"},          {"Tokyo in the prefecture list", 12, 0, "tokyo"},
        {"last prefecture", 46, 0, "okinawa"},           {"past the last prefecture", 47, 0, ""},
        {"first city of Tokyo", 0, 13, "tokyo,a-13101"}, {"city without a row", 1, 13, ""},
        {"prefecture without cities", 0, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LookUpAreaPath(db, c.areaIndex, c.comboIndex), c.expected);
    }
}

TEST_F(CatalogueDbTest, SeenListingRemembersKeysWithinOneRun) {
    const std::string key = "://127.0.0.1/article/100";
    EXPECT_FALSE(db.SeenListing(key));
    EXPECT_TRUE(db.SeenListing(key));
    EXPECT_FALSE(db.SeenListing(key + "1"));

    db.Execute(sql::kDeleteSeen);
    EXPECT_FALSE(db.SeenListing(key));
    EXPECT_TRUE(db.SeenListing(key));
}

// The history outlives the run: a key collected before answers seen only when the run asks for
// it, and is then seen again today; keys only met (no row written) never join it.
TEST_F(CatalogueDbTest, HistoryAnswersForEarlierRunsWhenAskedAndTracksTheDays) {
    const std::string collected = "://127.0.0.1/article/1";
    const std::string onlyMet = "://127.0.0.1/article/2";
    EXPECT_FALSE(db.SeenListing(collected, true));
    db.RecordCollected(collected);
    EXPECT_FALSE(db.SeenListing(onlyMet, true));
    db.Execute("UPDATE T20_HIST SET FirstSeen = '2020-01-01', LastSeen = '2020-01-02'");

    db.Execute(sql::kDeleteSeen);
    EXPECT_FALSE(db.SeenListing(collected)) << "without the history a new run collects it again";
    db.Execute(sql::kDeleteSeen);
    EXPECT_TRUE(db.SeenListing(collected, true));
    EXPECT_FALSE(db.SeenListing(onlyMet, true));
    db.CommitSeen();

    DbRows rows = db.OpenRows("SELECT UrlKey, FirstSeen, LastSeen FROM T20_HIST");
    ASSERT_FALSE(rows.AtEnd());
    EXPECT_EQ(rows.Text("UrlKey"), collected);
    EXPECT_EQ(rows.Text("FirstSeen"), "2020-01-01");
    EXPECT_EQ(rows.Text("LastSeen"), LocalDateToday());
    rows.Next();
    EXPECT_TRUE(rows.AtEnd());
}

TEST_F(CatalogueDbTest, ADatabaseFromBeforeTheHistoryGetsItWhenOpened) {
    db.Execute("DROP TABLE T20_HIST");
    db.Configure(dir.databaseFile()); // closes; the next statement opens the file again
    EXPECT_EQ(Count("T20_HIST"), 0);
    EXPECT_FALSE(db.SeenListing("://127.0.0.1/article/1", true));
    db.RecordCollected("://127.0.0.1/article/1");
    db.CommitSeen();
    EXPECT_EQ(Count("T20_HIST"), 1);
}

// Keys are committed in batches: another connection sees every key once the run has committed
// them, statements in between still run (no BEGIN nested in the batch), and no key is forgotten
// across a batch boundary.
TEST_F(CatalogueDbTest, SeenKeysReachTheFileAcrossBatchesAndOtherStatements) {
    const auto key = [](int n) { return "://127.0.0.1/article/" + std::to_string(n); };
    const auto keysInFile = [this] { return std::stoi(RawValue("SELECT COUNT(*) FROM T00_DATA")); };
    db.Execute(sql::kDeleteSeen);
    for (int n = 0; n < 150; ++n) {
        EXPECT_FALSE(db.SeenListing(key(n)));
        if (n == 70) {
            InsertCity(1, 99, "c-99", Sjis("町"));
        }
    }
    for (int n = 0; n < 150; ++n) {
        EXPECT_TRUE(db.SeenListing(key(n))) << n;
    }
    db.CommitSeen();
    EXPECT_EQ(keysInFile(), 150);
    EXPECT_EQ(Count("T02_CITY WHERE CityID = 99"), 1);

    EXPECT_FALSE(db.SeenListing(key(150)));
    db.Execute(sql::kDeleteSeen);
    EXPECT_EQ(keysInFile(), 0);
}

TEST_F(CatalogueDbTest, SeenListingRecordsKeysOfAnyLength) {
    for (std::size_t length : {std::size_t{100}, std::size_t{101}, std::size_t{5000}}) {
        SCOPED_TRACE(length);
        const std::string key = "://127.0.0.1/" + std::string(length - 13, 'k');
        ASSERT_EQ(key.size(), length);
        EXPECT_FALSE(db.SeenListing(key));
        EXPECT_TRUE(db.SeenListing(key));
    }
}

TEST_F(CatalogueDbTest, SeenListingKeyWithQuotesIsPlainData) {
    const std::string earlier = "://127.0.0.1/article/1";
    EXPECT_FALSE(db.SeenListing(earlier));
    const std::string quoted = "://127.0.0.1/article/1'); DELETE FROM T00_DATA; --";
    EXPECT_FALSE(db.SeenListing(quoted));
    EXPECT_TRUE(db.SeenListing(quoted));
    EXPECT_TRUE(db.SeenListing(earlier));
    db.CommitSeen();
    EXPECT_EQ(Count("T00_DATA"), 2);
}

TEST_F(CatalogueDbTest, SeenListingFollowsTheConnectionToAnotherFile) {
    const std::string key = "://127.0.0.1/article/7";
    EXPECT_FALSE(db.SeenListing(key));
    test::TestProgramDir other;
    db.Configure(other.databaseFile());
    EXPECT_FALSE(db.SeenListing(key)) << "the other file has not seen it";
    EXPECT_TRUE(db.SeenListing(key));
    db.Configure(dir.databaseFile());
    EXPECT_TRUE(db.SeenListing(key));
}

// The run's writes go to a write-ahead log beside the file; closing folds it back, so the file
// alone (copied, or read by any SQLite tool) holds everything.
TEST_F(CatalogueDbTest, AfterClosingTheFileAloneHoldsEveryRecordedKey) {
    for (int i = 0; i < 50; ++i) {
        db.SeenListing("://127.0.0.1/article/" + std::to_string(i));
    }
    db.Configure({});
    EXPECT_FALSE(std::filesystem::exists(dir.db() / "vrn_data.db-wal"));
    test::TempDir copy;
    std::filesystem::copy_file(dir.databaseFile(), copy.path() / "vrn_data.db");
    CatalogueDb copied;
    copied.Configure(copy.path() / "vrn_data.db");
    DbRows rows = copied.OpenRows("SELECT COUNT(*) AS N FROM T00_DATA");
    EXPECT_EQ(rows.Integer("N"), 50);
}

TEST_F(CatalogueDbTest, TextWithQuotesIsStoredExactly) {
    const std::string name = "O'Brien's " + Sjis("町");
    InsertCity(13, 1, "a-1'3", name);
    EXPECT_EQ(LoadAreaNames(db, 13), std::vector<std::string>{name});
    EXPECT_EQ(LookUpAreaPath(db, 0, 13), "tokyo,a-1'3");
}

TEST_F(CatalogueDbTest, JapaneseTextIsCp932OutsideAndUtf8Inside) {
    struct Case {
        const char* name;
        std::string utf8;
    };
    const Case cases[] = {
        {"kana and kanji", "千代田区"},
        {"trail byte 0x5C", "ソ表能"},
        {"vendor extension", "髙﨑①"},
        {"half-width kana", "ｶﾀｶﾅ"},
    };
    int cityId = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cp932 = Sjis(c.utf8);
        ASSERT_NE(cp932, c.utf8);
        InsertCity(1, ++cityId, "a-1", cp932);
        EXPECT_EQ(RawCityName(1, cityId), c.utf8);
        EXPECT_EQ(LoadAreaNames(db, 1).back(), cp932);
    }
}

TEST(CatalogueDbErrors, FailuresThrowReadableErrors) {
    test::TestProgramDir dir;
    {
        std::ofstream corrupt(dir.databaseFile(), std::ios::binary | std::ios::trunc);
        corrupt << std::string(4096, 'x');
    }
    CatalogueDb db;
    db.Configure(dir.databaseFile());
    try {
        db.OpenRows(sql::kSelectPrefectures);
        FAIL() << "a corrupt file was read";
    } catch (const DbError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("not a database"), std::string::npos) << message;
        EXPECT_NE(message.find(sql::kSelectPrefectures), std::string::npos) << message;
    }
    EXPECT_THROW(db.SeenListing("://127.0.0.1/article/1"), DbError);
}

TEST_F(CatalogueDbTest, BadStatementNamesItselfAndLeavesTheConnectionUsable) {
    try {
        db.Execute("DELETE FROM T99_NONE");
        FAIL() << "no error";
    } catch (const DbError& error) {
        EXPECT_NE(std::string(error.what()).find("DELETE FROM T99_NONE"), std::string::npos);
    }
    EXPECT_EQ(LookUpAreaPath(db, 0, 0), "hokkaido");
}

TEST(CatalogueDbErrors, MissingFileIsNotCreated) {
    test::TestProgramDir dir(false);
    CatalogueDb db;
    EXPECT_THROW(db.OpenRows(sql::kSelectPrefectures), DbError);
    db.Configure(dir.databaseFile());
    EXPECT_THROW(db.Execute(sql::kDeleteSeen), DbError);
    EXPECT_FALSE(std::filesystem::exists(dir.databaseFile()));
}

// A commit's log frames are written together: a transaction of several megabytes reaches the
// file whole, as another connection reads it.
TEST_F(CatalogueDbTest, ALargeTransactionReachesTheFileWhole) {
    db.BeginTransaction();
    for (int n = 0; n < 3000; ++n) {
        db.ExecuteKept(sql::kInsertCity, {std::int64_t{90}, std::int64_t{n}, "c", std::string(1000, 'a' + n % 26)});
    }
    db.CommitTransaction();
    EXPECT_EQ(RawCityName(90, 2999), std::string(1000, 'a' + 2999 % 26));
    EXPECT_EQ(Count("T02_CITY WHERE AreaID = 90"), 3000);
}

} // namespace
} // namespace vorn
