// The catalogue database in the way when the terminal program starts: held locked by another
// process, or not a database at all. The run is refused with exit code 5 before anything is
// fetched.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_db.h"
#include "tests/app_core/child_process.h"
#include "tests/support/test_program_dir.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class DatabaseFaultTest : public ::testing::Test {
protected:
    DatabaseFaultTest() {
        fs::copy_file(fs::path(VORN_BIN_DIR) / "vorn-search-cli", dir_.path() / "vorn-search-cli");
        content_ = site::ServeContent(site_, site::SiteConfig{});
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary)
            << "[Config]\r\nArealist=1\r\nCtgrlist=1\r\n[Site]\r\nBaseUrl=" << site_.baseUrl()
            << "\r\nCaFile=" << site::SampleSite::CaFile().string() << "\r\n";
        std::ofstream(Output(), std::ios::binary) << "an older list";
    }

    fs::path Output() const { return out_.path() / "out.csv"; }

    test::ChildResult Crawl() {
        return test::ChildProcess(dir_.path() / "vorn-search-cli", {"crawl", Output().string()}, runtime_.path(),
                                  logs_.path())
            .Wait();
    }

    void ExpectRefused(const test::ChildResult& result) {
        EXPECT_EQ(result.exitCode, 5) << result.err;
        EXPECT_TRUE(site_.Requests().empty());
        EXPECT_FALSE(fs::exists(dir_.scratchFile()));
    }

    test::TestProgramDir dir_;
    test::TempDir runtime_;
    test::TempDir out_;
    test::TempDir logs_;
    site::SampleSite site_;
    std::shared_ptr<site::SiteContent> content_;
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
