#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "crawl/crawl_job.h"
#include "tests/crawl/crawl_test_site.h"
#include "tests/crawl/fake_front_end.h"
#include "tests/support/test_program_dir.h"

namespace vorn::test {

using Strings = std::vector<std::string>;

std::string Sjis(const char* utf8);
// The status line of a search as the window shows it (UTF-8).
std::string Status(const std::string& label, int newCount, int totalCount);

// A run against hand-made pages: prefectures 県0..県4 (AreaAlpha p0..p4), none checked yet, and
// the genre nodes 家具, its sub-genre ベッド and 家電; the pause is 1 ms.
class CrawlJobTest : public ::testing::Test {
protected:
    CrawlJobTest();

    CrawlSelection& selection() { return frontEnd_.selection; }
    std::filesystem::path csvFile() const { return outDir_.path() / "out.csv"; }
    std::string Key(int article) const { return site_.ArticleUrl(article).substr(5); }

    // Checks the areas by item index and sets ctgrIndexList.
    void Choose(const std::vector<int>& areas, const std::string& genres);
    CrawlJob& Job();
    // Runs the job on its thread, checks what every run owes the window at its end and returns
    // the run's result.
    int Run();

    Strings Statuses() const { return frontEnd_.Calls("status"); }
    std::vector<Strings> Rows() const { return ReadCsv(csvFile()); }

    TestProgramDir programDir_{false};
    TempDir outDir_;
    CrawlTestSite site_;
    FakeFrontEnd frontEnd_;
    std::unique_ptr<CrawlJob> job_;
    std::chrono::milliseconds pause_{1};
};

} // namespace vorn::test
