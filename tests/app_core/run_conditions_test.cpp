#include "app/core/run_conditions.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/core/messages.h"
#include "catalogue/statements.h"
#include "tests/support/test_program_dir.h"
#include "web/cp932.h"

namespace vorn {
namespace {

// Genre A (0) with sub-genres 1 and 2, genre B (3) with sub-genre 4, genre C (5) alone.
std::vector<GenreNode> SampleTree() {
    return {
        {0, -1, " A", "sale-a/g-all"}, {1, 0, " A1", "sale-a/g-1"}, {1, 0, " A2", "sale-a/g-2"},
        {0, -1, " B", "sale-b/g-all"}, {1, 3, " B1", "sale-b/g-1"}, {0, -1, " C", "sale-c/g-all"},
    };
}

std::vector<std::string> Cities(int count) {
    std::vector<std::string> cities;
    for (int i = 1; i <= count; ++i) {
        cities.push_back("city" + std::to_string(i));
    }
    return cities;
}

std::vector<std::string> Prefectures() {
    const auto& combo = PrefectureComboItems();
    return {combo.begin() + 1, combo.end()};
}

TEST(SavedGenresTest, BecomeTheWindowsGenreIndexList) {
    struct Case {
        const char* name;
        const char* ctgrlist;
        bool allGenres;
        const char* indexList;
    };
    const Case cases[] = {
        {"every node 1 is all genres", "111111", true, "0,3,5,"},
        {"extra characters are ignored", "1111110", true, "0,3,5,"},
        {"a checked sub-genre under a checked genre is left out", "110000", false, "0,"},
        {"a sub-genre under an unchecked genre is kept", "010010", false, "1,4,"},
        {"all sub-genres of an unchecked genre stay separate", "011000", false, "1,2,"},
        {"a string shorter than the tree leaves the rest unchecked", "00011", false, "3,"},
        {"characters other than 1 are unchecked", "x1y001", false, "1,5,"},
        {"an empty string checks nothing", "", false, ""},
    };
    for (const Case& c : cases) {
        SavedConditions saved;
        saved.ctgrlist = c.ctgrlist;
        const CrawlSelection selection = SelectionFromSaved(saved, SampleTree(), Prefectures());
        EXPECT_EQ(selection.allGenres, c.allGenres) << c.name;
        EXPECT_EQ(selection.ctgrIndexList, c.indexList) << c.name;
        EXPECT_EQ(selection.genreNodes.size(), 6u) << c.name;
    }
}

TEST(SavedAreasTest, RestoreTheComboAndTheListMarks) {
    SavedConditions saved;
    saved.arealist = std::string(47, '1');
    CrawlSelection selection = SelectionFromSaved(saved, SampleTree(), Prefectures());
    EXPECT_EQ(selection.areaComboIndex, 0);
    EXPECT_TRUE(selection.allAreas) << "every prefecture is the nationwide search";
    EXPECT_EQ(selection.areaTexts.size(), 47u);

    saved.areasel = 13;
    saved.arealist = "0100";
    selection = SelectionFromSaved(saved, SampleTree(), Cities(4));
    EXPECT_EQ(selection.areaComboIndex, 13);
    EXPECT_EQ(selection.areaComboText, UTF8ToAnsi("東京都"));
    EXPECT_EQ(selection.areaChecked, (std::vector<bool>{false, true, false, false}));
    EXPECT_FALSE(selection.allAreas);

    saved.arealist = "1111";
    EXPECT_TRUE(SelectionFromSaved(saved, SampleTree(), Cities(4)).allAreas) << "every city of Tokyo";

    for (const int areasel : {48, 0, -1}) {
        saved.areasel = areasel;
        saved.arealist = "101";
        selection = SelectionFromSaved(saved, SampleTree(), Prefectures());
        EXPECT_EQ(selection.areaComboIndex, 0) << areasel;
        EXPECT_EQ(selection.areaComboText, UTF8ToAnsi("（全都道府県）")) << areasel;
        EXPECT_EQ(selection.areaChecked[2], true) << areasel;
        EXPECT_FALSE(selection.allAreas) << areasel;
    }
}

TEST(SavedImagesTest, KeywordAndImageFolderCarryOver) {
    test::TempDir dir;
    SavedConditions saved;
    saved.word = " \x88\xd6\x8e\x71 ";
    saved.checkImage = true;
    saved.imageDir = " " + dir.path().string() + " ";
    const CrawlSelection selection = SelectionFromSaved(saved, SampleTree(), Prefectures());
    EXPECT_EQ(selection.keyword, saved.word) << "the crawl trims the keyword itself";
    EXPECT_TRUE(selection.saveImages);
    EXPECT_EQ(selection.imageDir, dir.path().string() + "/");
}

TEST(SavedConditionsFromCatalogueTest, ReadTheTreeAndTheCitiesOfTheSavedPrefecture) {
    test::TestProgramDir programDir;
    CatalogueDb db;
    db.Configure(programDir.databaseFile());
    for (int city = 1; city <= 3; ++city) {
        db.Execute(sql::kInsertCity, {std::int64_t{13}, std::int64_t{city}, "a-" + std::to_string(city),
                                      UTF8ToAnsi("区") + std::to_string(city)});
    }
    SavedConditions saved;
    saved.areasel = 13;
    saved.arealist = "001";
    saved.ctgrlist = "1";
    CrawlSelection selection = SelectionFromSaved(saved, db);
    EXPECT_EQ(selection.areaTexts, (std::vector<std::string>{UTF8ToAnsi("区1"), UTF8ToAnsi("区2"), UTF8ToAnsi("区3")}));
    EXPECT_EQ(selection.areaChecked, (std::vector<bool>{false, false, true}));
    EXPECT_FALSE(selection.genreNodes.empty());
    EXPECT_EQ(selection.ctgrIndexList, "0,");

    saved.areasel = 0;
    selection = SelectionFromSaved(saved, db);
    EXPECT_EQ(selection.areaTexts, Prefectures());
}

class StartConditionsTest : public ::testing::Test {
protected:
    test::TempDir dir_;
};

TEST_F(StartConditionsTest, RefuseInTheWindowsOrder) {
    const std::string folder = dir_.path().string();
    const std::string missing = (dir_.path() / "missing").string();
    const std::vector<bool> none{false, false};
    const std::vector<bool> one{false, true};
    struct Case {
        const char* name;
        std::vector<bool> areas;
        std::string ctgrIndexList;
        bool saveImages;
        std::string imageDir;
        std::string expected;
    };
    const Case cases[] = {
        {"areas are checked before genres", none, "", false, "", msg::NoArea()},
        {"an empty area list", {}, "0,", false, "", msg::NoArea()},
        {"no genre", one, "", false, "", msg::NoGenre()},
        {"a blank folder", one, "0,", true, " \t ", msg::NoImageFolder()},
        {"a missing folder", one, "0,", true, missing, msg::ImageFolderMissing()},
        {"a file is not a folder", one, "0,", true, dir_.path().string() + "/file", msg::ImageFolderMissing()},
        {"an existing folder with blanks", one, "0,", true, "  " + folder + "  ", ""},
        {"the folder is not checked without images", one, "0,", false, missing, ""},
    };
    std::ofstream(dir_.path() / "file") << "x";
    for (const Case& c : cases) {
        EXPECT_EQ(StartRefusal(c.areas, c.ctgrIndexList, c.saveImages, c.imageDir), c.expected) << c.name;
    }
}

TEST_F(StartConditionsTest, AllGenresWithAnEmptyTreeIsStillRefused) {
    SavedConditions saved;
    saved.arealist = "1";
    saved.ctgrlist = "1";
    const CrawlSelection selection = SelectionFromSaved(saved, {}, Prefectures());
    EXPECT_TRUE(selection.allGenres);
    EXPECT_EQ(StartRefusal(selection.areaChecked, selection.ctgrIndexList, selection.saveImages, ""), msg::NoGenre());
}

TEST_F(StartConditionsTest, FolderTextIsTrimmedAndGainsASeparator) {
    struct Case {
        const char* name;
        const char* typed;
        const char* shown; // the edit after the check
        const char* path;  // where photographs go
    };
    const Case cases[] = {
        {"blanks around, no separator", " \t/tmp/x\t ", "/tmp/x/", "/tmp/x/"},
        {"a separator then blanks stays as typed", "/tmp/x/  ", "/tmp/x/  ", "/tmp/x/"},
        {"as typed", "/tmp/x/", "/tmp/x/", "/tmp/x/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImageDirTextAfterCheck(c.typed), c.shown) << c.name;
        EXPECT_EQ(ImageFolderPath(c.typed), c.path) << c.name;
    }
    EXPECT_TRUE(ImageFolderPath("   ").empty());
}

TEST_F(StartConditionsTest, ASavedFolderInTheProgramsCodePageNamesItsUtf8Folder) {
    const std::filesystem::path japanese = dir_.path() / "写真";
    std::filesystem::create_directory(japanese);
    SavedConditions saved;
    saved.checkImage = true;
    saved.imageDir = UTF8ToAnsi(japanese.string());
    EXPECT_EQ(SelectionFromSaved(saved, SampleTree(), Prefectures()).imageDir, japanese.string() + "/");
}

TEST_F(StartConditionsTest, AnOldFileMakesWayButAFolderNever) {
    const std::filesystem::path file = dir_.path() / "old.csv";
    std::ofstream(file) << "older";
    EXPECT_TRUE(RemoveOldOutput(file));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(RemoveOldOutput(file)) << "nothing there";

    const std::filesystem::path folder = dir_.path() / "list.csv";
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(RemoveOldOutput(folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    std::filesystem::create_directory_symlink(folder, dir_.path() / "link.csv");
    EXPECT_TRUE(RemoveOldOutput(dir_.path() / "link.csv")) << "a link is removed, not the folder it names";
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

} // namespace
} // namespace vorn
