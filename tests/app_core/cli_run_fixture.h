#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_db.h"
#include "catalogue/statements.h"
#include "extract/csv_output.h"
#include "tests/app_core/child_process.h"
#include "tests/support/test_program_dir.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "web/cp932.h"

namespace vorn {

namespace fs = std::filesystem;
using test::ChildProcess;
using test::ChildResult;

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// 東京都 with four cities, the genre tree with ベッド under 家具: Ctgrlist "011" is ベッド and 家電.
inline constexpr const char* kFirstCitySearch = "tokyo/sale-ele/g-all/a-13101";

// The vorn-search-cli of the build, copied into a program folder of its own beside its db/.
class CliRunTest : public ::testing::Test {
protected:
    CliRunTest() {
        CopyProgramInto(dir_.path());
        content_ = site::ServeContent(site_, site::SiteConfig{});
        CatalogueDb db;
        db.Configure(dir_.databaseFile());
        const char* cities[][2] = {
            {"a-13101", "港区"}, {"a-13102", "泉区"}, {"a-13199", "北区"}, {"a-13103", "青葉区"}};
        for (std::int64_t city = 1; city <= 4; ++city) {
            db.Execute(sql::kInsertCity,
                       {std::int64_t{13}, city, std::string(cities[city - 1][0]), UTF8ToAnsi(cities[city - 1][1])});
        }
        db.Execute(sql::kInsertGenre,
                   {std::int64_t{1}, std::int64_t{1}, std::string("sale-fur/g-1"), UTF8ToAnsi("ベッド")});
    }

    static void CopyProgramInto(const fs::path& folder) {
        fs::copy_file(fs::path(VORN_BIN_DIR) / "vorn-search-cli", folder / "vorn-search-cli");
    }

    fs::path Output() const { return out_.path() / "out.csv"; }

    // The [Config] lines of the run and the site's section.
    void WriteSettings(const std::string& configLines, const std::string& baseUrl = {}) const {
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary)
            << "[Config]\r\n"
            << configLines << "[Site]\r\nBaseUrl=" << (baseUrl.empty() ? site_.baseUrl() : baseUrl)
            << "\r\nCaFile=" << site::SampleSite::CaFile().string() << "\r\n";
    }

    std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments, const fs::path& folder = {}) {
        const fs::path program = (folder.empty() ? dir_.path() : folder) / "vorn-search-cli";
        return std::make_unique<ChildProcess>(program, arguments, runtime_.path(), logs_.path());
    }

    ChildResult Run(const std::vector<std::string>& arguments, const fs::path& folder = {}) {
        return Start(arguments, folder)->Wait();
    }

    ChildResult Crawl() { return Run({"crawl", Output().string()}); }

    std::string HeaderLine() const { return CsvHeader() + "\r\n"; }

    test::TestProgramDir dir_;
    test::TempDir runtime_;
    test::TempDir out_;
    test::TempDir logs_;
    site::SampleSite site_;
    std::shared_ptr<site::SiteContent> content_;
};

} // namespace vorn
