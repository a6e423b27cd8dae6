#include "app/core/program_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/app_core/child_process.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_program_dir.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;

void WriteFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

void WriteReadOnly(const fs::path& file, const std::string& bytes) {
    WriteFile(file, bytes);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

unsigned Mode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

bool NeverWritable(const fs::path&) { return false; }

// An installed tree under a temporary folder: prefix/bin for the executable, prefix/share for the
// shipped catalogue, and a home folder of its own.
class ProgramDirTest : public ::testing::Test {
protected:
    ProgramDirTest() { fs::create_directories(Bin()); }

    fs::path Bin() const { return root_.path() / "prefix" / "bin"; }
    fs::path Shipped() const { return root_.path() / "prefix" / "share" / "vorn-search" / "vrn_data.db"; }
    fs::path Home() const { return root_.path() / "home"; }
    fs::path UserDir() const { return Home() / ".local" / "share" / "vorn-search"; }

    ProgramDirSources Sources(std::string dataHome = {}) const {
        return ProgramDirSources{Bin(), std::move(dataHome), Home().string(), nullptr};
    }

    test::TempDir root_;
};

TEST_F(ProgramDirTest, TheProgramsFolderWithAWritableDbWinsElseTheUsersDataFolder) {
    enum class Beside { WritableDb, ReadOnlyDb, NoDb, FileCalledDb };
    enum class Where { Program, DataHome, LocalShare };
    struct Case {
        const char* name;
        Beside beside;
        std::string dataHome; // "@" stands for an absolute folder of the test
        Where where;
    };
    const Case cases[] = {
        {"writable db/ beside the program (build tree, demo, copied folder)", Beside::WritableDb, "@", Where::Program},
        {"db/ beside the program not writable", Beside::ReadOnlyDb, "@", Where::DataHome},
        {"no db/ beside the program (installed)", Beside::NoDb, "@", Where::DataHome},
        {"a file called db beside the program", Beside::FileCalledDb, "@", Where::DataHome},
        {"XDG_DATA_HOME unset", Beside::NoDb, "", Where::LocalShare},
        {"XDG_DATA_HOME relative", Beside::NoDb, "relative/data", Where::LocalShare},
        {"db/ not writable, XDG_DATA_HOME unset", Beside::ReadOnlyDb, "", Where::LocalShare},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(Bin());
        fs::create_directories(Bin());
        if (c.beside == Beside::WritableDb || c.beside == Beside::ReadOnlyDb) {
            fs::create_directory(Bin() / "db");
        } else if (c.beside == Beside::FileCalledDb) {
            WriteFile(Bin() / "db", "not a folder");
        }
        const fs::path dataHome = root_.path() / "xdg";
        ProgramDirSources sources = Sources(c.dataHome == "@" ? dataHome.string() : c.dataHome);
        if (c.beside == Beside::ReadOnlyDb) {
            sources.canWriteFolder = NeverWritable; // root may write any folder a test can make
        }
        const ProgramDirChoice choice = ChooseProgramDir(sources);
        const fs::path expected = c.where == Where::Program    ? Bin()
                                  : c.where == Where::DataHome ? dataHome / "vorn-search"
                                                               : UserDir();
        EXPECT_EQ(choice.dir, expected);
        EXPECT_EQ(choice.perUser, c.where != Where::Program);
        EXPECT_FALSE(fs::exists(dataHome)) << "choosing makes nothing";
        EXPECT_FALSE(fs::exists(Home()));
    }
}

// What the user's folder holds after one start, from the catalogues there are.
TEST_F(ProgramDirTest, TheUsersDatabaseIsCopiedOnceFromTheCatalogueThereIs) {
    struct Case {
        const char* name;
        std::optional<std::string> shipped;       // share/vorn-search/vrn_data.db
        std::optional<std::string> besideProgram; // db/vrn_data.db in a read-only program folder
        std::optional<std::string> earlierCopy;   // the user's db/vrn_data.db before the start
        std::optional<std::string> database;      // the user's database after it; none: missing
    };
    const Case cases[] = {
        {"first start: the shipped catalogue", "shipped", std::nullopt, std::nullopt, "shipped"},
        {"the shipped catalogue before a read-only folder's own", "shipped", "own", std::nullopt, "shipped"},
        {"a read-only program folder's own when none is shipped", std::nullopt, "own", std::nullopt, "own"},
        {"no catalogue at all: the missing database", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"a later start keeps the copy, not the newer shipped file", "newer", std::nullopt, "used", "used"},
        {"a later start needs no shipped catalogue", std::nullopt, std::nullopt, "used", "used"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root_.path() / "prefix");
        fs::remove_all(Home());
        fs::create_directories(Bin() / "db");
        // Catalogues are read-only to the user; the copy must not be.
        if (c.shipped) {
            WriteReadOnly(Shipped(), *c.shipped);
        }
        if (c.besideProgram) {
            WriteReadOnly(Bin() / "db" / "vrn_data.db", *c.besideProgram);
        }
        if (c.earlierCopy) {
            WriteFile(UserDir() / "db" / "vrn_data.db", *c.earlierCopy);
            WriteFile(UserDir() / "db" / "vrn.ini", "[Config]\r\nWord=kept\r\n");
        }
        ProgramDirSources sources = Sources();
        sources.canWriteFolder = NeverWritable;
        const ProgramDirChoice choice = ChooseProgramDir(sources);
        ASSERT_EQ(choice.dir, UserDir());

        EXPECT_EQ(PrepareProgramDir(choice), c.database.has_value());
        const fs::path database = UserDir() / "db" / "vrn_data.db";
        if (c.database) {
            EXPECT_EQ(ReadBytes(database), *c.database);
            EXPECT_EQ(fs::status(database).permissions() & fs::perms::owner_write, fs::perms::owner_write);
            if (!c.earlierCopy) {
                EXPECT_EQ(Mode(UserDir()), 0700u) << "folders it makes are the user's alone";
                EXPECT_EQ(Mode(UserDir() / "db"), 0700u);
            }
            // A second start changes nothing either.
            EXPECT_TRUE(PrepareProgramDir(choice));
            EXPECT_EQ(ReadBytes(database), *c.database);
        } else {
            EXPECT_FALSE(fs::exists(Home())) << "a start that cannot work leaves no folder behind";
        }
        if (c.earlierCopy) {
            EXPECT_EQ(ReadBytes(UserDir() / "db" / "vrn.ini"), "[Config]\r\nWord=kept\r\n");
        }
        if (c.shipped) {
            EXPECT_EQ(ReadBytes(Shipped()), *c.shipped) << "the shipped file is only read";
        }
    }
}

TEST_F(ProgramDirTest, ACopyThatFailsLeavesNothingANextStartWouldTakeForTheDatabase) {
    WriteFile(Shipped(), std::string(64 * 1024, 'x'));
    const ProgramDirChoice choice = ChooseProgramDir(Sources());
    const fs::path database = UserDir() / "db" / "vrn_data.db";
    {
        test::FileSizeLimit limit; // a disk that fills during the copy
        limit.Apply(4096);
        EXPECT_FALSE(PrepareProgramDir(choice));
    }
    EXPECT_FALSE(fs::exists(database));
    EXPECT_TRUE(fs::is_empty(database.parent_path())) << "no partial copy left";

    // The next start copies it whole.
    EXPECT_TRUE(PrepareProgramDir(choice));
    EXPECT_TRUE(ReadBytes(database) == ReadBytes(Shipped()));

    // A data folder that cannot be made (a file in its way) is the missing database too.
    fs::remove_all(Home());
    WriteFile(Home() / ".local", "a file, not a folder");
    EXPECT_FALSE(PrepareProgramDir(choice));
}

// The window and a cron run may make their first start at the same moment.
TEST_F(ProgramDirTest, TwoFirstStartsAtOnceBothFindOneWholeDatabase) {
    WriteFile(Shipped(), std::string(256 * 1024, 'x'));
    const ProgramDirChoice choice = ChooseProgramDir(Sources());
    const fs::path database = UserDir() / "db" / "vrn_data.db";
    for (int round = 0; round < 20; ++round) {
        fs::remove_all(Home());
        bool prepared[2] = {false, false};
        std::thread other([&] { prepared[1] = PrepareProgramDir(choice); });
        prepared[0] = PrepareProgramDir(choice);
        other.join();
        ASSERT_TRUE(prepared[0] && prepared[1]) << "round " << round;
        ASSERT_TRUE(ReadBytes(database) == ReadBytes(Shipped()));
        ASSERT_EQ(std::distance(fs::directory_iterator(database.parent_path()), fs::directory_iterator()), 1)
            << "no partial copy left";
    }
}

// The built vorn-search-cli in an installed tree: it copies the catalogue into a fresh home on
// its first start and reports the missing database without one.
class InstalledTreeTest : public ProgramDirTest {
protected:
    InstalledTreeTest() : savedHome_(std::getenv("HOME")) {
        fs::copy_file(fs::path(VORN_BIN_DIR) / "vorn-search-cli", Bin() / "vorn-search-cli");
        fs::create_directories(Shipped().parent_path());
        fs::copy_file(VORN_BUILT_DB, Shipped());
        fs::create_directories(Home());
        setenv("HOME", Home().c_str(), 1);
        unsetenv("XDG_DATA_HOME");
    }
    ~InstalledTreeTest() override {
        if (savedHome_) {
            setenv("HOME", savedHome_->c_str(), 1);
        }
    }

    test::ChildResult Run(const std::vector<std::string>& arguments) {
        return test::ChildProcess(Bin() / "vorn-search-cli", arguments, runtime_.path(), logs_.path()).Wait();
    }

    std::optional<std::string> savedHome_;
    test::TempDir runtime_;
    test::TempDir logs_;
};

TEST_F(InstalledTreeTest, FirstStartCopiesTheShippedCatalogueAndWithoutOneTheDatabaseIsMissing) {
    const test::ChildResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("For this program: " + (UserDir() / "db").string() + "/\n"), std::string::npos) << help.out;
    EXPECT_FALSE(fs::exists(UserDir())) << "--help makes nothing";

    // No saved conditions: refused by the Start checks, so the database was there.
    const test::ChildResult first = Run({"crawl", (root_.path() / "out.csv").string()});
    EXPECT_EQ(first.exitCode, 5);
    EXPECT_NE(first.err.find("取得する地域を１つ以上選択してください。"), std::string::npos) << first.err;
    EXPECT_TRUE(fs::is_regular_file(UserDir() / "db" / "vrn_data.db"));

    fs::remove_all(Home() / ".local");
    fs::remove(Shipped());
    const test::ChildResult missing = Run({"crawl", (root_.path() / "out.csv").string()});
    EXPECT_EQ(missing.exitCode, 5);
    EXPECT_NE(missing.err.find("DBファイルの設定が正しくありません。\n管理者に確認してください。"), std::string::npos)
        << missing.err;
    EXPECT_FALSE(fs::exists(Home() / ".local"));
}

} // namespace
} // namespace vorn
