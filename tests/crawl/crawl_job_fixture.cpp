#include "tests/crawl/crawl_job_fixture.h"

#include "web/cp932.h"

namespace vorn::test {

std::string Sjis(const char* utf8) { return UTF8ToAnsi(utf8); }

std::string Status(const std::string& label, int newCount, int totalCount) {
    return label + " : " + std::to_string(newCount) + "件/" + std::to_string(totalCount) + "件 取得中...";
}

CrawlJobTest::CrawlJobTest() {
    TestApp();
    selection().areaComboIndex = 0;
    for (int i = 0; i < 5; ++i) {
        selection().areaTexts.push_back(Sjis("県") + std::to_string(i));
        selection().areaChecked.push_back(false);
        frontEnd_.areaPaths[{i, 0}] = "p" + std::to_string(i);
    }
    selection().genreNodes = {
        {0, -1, Sjis(" 家具"), "sale-fur/g-all"},
        {1, 0, Sjis(" ベッド"), "sale-fur/g-1"},
        {0, -1, Sjis(" 家電"), "sale-ele/g-all"},
    };
    selection().csvFileName = csvFile();
    selection().imageDir = outDir_.path() / "img";
    std::filesystem::create_directory(selection().imageDir);
}

void CrawlJobTest::Choose(const std::vector<int>& areas, const std::string& genres) {
    for (const int area : areas) {
        selection().areaChecked[static_cast<std::size_t>(area)] = true;
    }
    selection().ctgrIndexList = genres;
}

CrawlJob& CrawlJobTest::Job() {
    if (!job_) {
        job_ = std::make_unique<CrawlJob>(frontEnd_, CrawlConfig{programDir_.path(), site_.baseUrl(), pause_});
        frontEnd_.job = job_.get();
    }
    return *job_;
}

int CrawlJobTest::Run() {
    RunOnWorkerThread(Job());
    EXPECT_EQ(frontEnd_.handBacks(), 1);
    EXPECT_EQ(frontEnd_.calls.back().rfind("handback", 0), 0u) << "the hand-back comes last";
    EXPECT_TRUE(frontEnd_.allOnContextThread);
    EXPECT_FALSE(frontEnd_.runningAtHandBack);
    EXPECT_FALSE(frontEnd_.scratchLeftAtHandBack);
    EXPECT_FALSE(std::filesystem::exists(programDir_.scratchFile()));
    return Job().worker().crawlResult();
}

} // namespace vorn::test
