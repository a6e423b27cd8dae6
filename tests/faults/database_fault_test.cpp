// The catalogue database in the way when the terminal program starts: held locked by another
// process, or not a database at all. The run is refused with exit code 5 before anything is
// fetched.
#include "tests/app_core/cli_run_fixture.h"

namespace vorn {
namespace {

class DatabaseFaultTest : public CliRunTest {
protected:
    DatabaseFaultTest() {
        WriteSettings("Arealist=1\r\nCtgrlist=1\r\n");
        std::ofstream(Output(), std::ios::binary) << "an older list";
    }

    void ExpectRefused(const test::ChildResult& result) {
        EXPECT_EQ(result.exitCode, 5) << result.err;
        EXPECT_TRUE(site_.Requests().empty());
        EXPECT_FALSE(fs::exists(dir_.scratchFile()));
    }
};

TEST_F(DatabaseFaultTest, LockedByAnotherProcessIsRefusedAfterTheWait) {
    CatalogueDb holder;
    holder.Configure(dir_.databaseFile());
    holder.Execute("BEGIN EXCLUSIVE");

    const test::ChildResult result = Crawl();

    ExpectRefused(result);
    EXPECT_TRUE(Contains(result.err, "locked")) << result.err;
    // Whether the lock lets the catalogue be read depends on the journal; the seen-listings table
    // cannot be emptied either way. The file the user chose to replace may be gone by then, as
    // the window removes it before that step too, but no CSV is begun.
    EXPECT_TRUE(!fs::exists(Output()) || test::ReadBytes(Output()) == "an older list");
    holder.Execute("ROLLBACK");
}

TEST_F(DatabaseFaultTest, CorruptFileIsRefused) {
    const std::string shipped = test::ReadBytes(dir_.databaseFile());
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"not a database", std::string(8192, '\x5a')},
        {"cut to its first half", shipped.substr(0, shipped.size() / 2)},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        std::ofstream(dir_.databaseFile(), std::ios::binary | std::ios::trunc) << bytes;
        const test::ChildResult result = Crawl();
        ExpectRefused(result);
        EXPECT_TRUE(Contains(result.err, "vorn-search-cli:")) << result.err;
        EXPECT_EQ(test::ReadBytes(Output()), "an older list") << "refused before the old file is replaced";
    }
}

} // namespace
} // namespace vorn
