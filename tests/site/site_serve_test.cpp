// The content served over HTTPS: mounted on the sample site in-process, and by the standalone
// program.

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "web/fetch_page.h"

namespace vorn::site {
namespace {

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SiteServeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        FetchSettings settings;
        settings.extraCaFile = SampleSite::CaFile().string();
        settings.connectTimeoutSeconds = 5;
        settings.idleTimeoutSeconds = 5;
        settings.totalTimeoutSeconds = 20;
        SetFetchSettings(settings);
    }

    test::TempDir dir_;
    std::filesystem::path page_ = dir_.path() / "tmp.dat";
};

TEST_F(SiteServeTest, MountedContentAnswersAsGeneratedAndActsOutFaults) {
    SampleSite site;
    SiteConfig config;
    config.seed = 9;
    config.listingCount = 30;
    const auto content = ServeContent(site, config);
    ASSERT_EQ(content->config().baseUrl, site.baseUrl());
    content->SetFault("tokyo/sale-fur/g-all", PageFault::ServerError);
    content->SetFault("osaka/sale-fur/g-all", PageFault::DropConnection);
    content->SetFault("article/1000003", PageFault::CutOff);

    struct Case {
        const char* name;
        const char* pathAndQuery;
        bool served;
        long status; // -1: whatever arrived before the cut
    };
    const Case cases[] = {
        {"results", "all/sale-all/g-all", true, 200},
        {"keyword query reaches the content raw", "all/sale-all/g-all?keyword=%E6%A4%85+x", true, 200},
        {"listing page", "article/1000001", true, 200},
        {"photograph", "articles/images/1000001/thumb_1.jpg", true, 200},
        {"server error", "tokyo/sale-fur/g-all", false, 500},
        {"dropped connection", "osaka/sale-fur/g-all", false, 0},
        {"cut off", "article/1000003", false, -1},
        {"no such page", "nowhere", true, 404},
        // The download ends as a transport failure carrying the site's final answer.
        {"photograph taken down", "articles/images/none.jpg", true, 404},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pathAndQuery = c.pathAndQuery;
        // Photographs go through the download call: the page fetcher stops a chunk at a zero byte.
        const bool photo = pathAndQuery.ends_with(".jpg");
        const FetchResult result =
            photo ? DownloadFile(site.Url(pathAndQuery), page_) : FetchPage(site.Url(pathAndQuery), page_);
        EXPECT_EQ(result.siteUnreachable(), !c.served);
        if (c.status >= 0) {
            EXPECT_EQ(result.httpStatus, c.status);
        }
        if (c.status == 200) {
            const std::size_t question = pathAndQuery.find('?');
            const std::string query = question == std::string::npos ? "" : pathAndQuery.substr(question + 1);
            EXPECT_EQ(ReadFile(page_), content->Respond("/" + pathAndQuery.substr(0, question), query)->body);
        }
    }
}

// The standalone program, started as a user would and ended with SIGTERM.
class SiteProgram {
public:
    explicit SiteProgram(const std::vector<std::string>& arguments, bool quiet = false) {
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            if (quiet) {
                freopen("/dev/null", "w", stderr);
            }
            close(out[0]);
            close(out[1]);
            const std::string program = std::string(VORN_BIN_DIR) + "/vorn-sample-site";
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        output_ = fdopen(out[0], "r");
    }
    ~SiteProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ != nullptr) {
            fclose(output_);
        }
    }

    std::string ReadLine() {
        char line[1024] = {};
        return std::fgets(line, sizeof line, output_) ? std::string(line) : std::string();
    }
    // The exit status after SIGTERM, or -1 when it did not end normally.
    int Terminate() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
};

TEST_F(SiteServeTest, StandaloneProgramServesItsConfigurationUntilTerminated) {
    SiteProgram program({"--seed", "5", "--listings", "10", "--realistic"});
    const std::string baseLine = program.ReadLine();
    const std::string caLine = program.ReadLine();
    ASSERT_EQ(baseLine.rfind("base URL: https://127.0.0.1:", 0), 0u) << baseLine;
    EXPECT_EQ(caLine, "CA file: " + SampleSite::CaFile().string() + "\n");
    const std::string base = baseLine.substr(std::string("base URL: ").size(), baseLine.size() - 11);

    SiteConfig config;
    config.seed = 5;
    config.listingCount = 10;
    config.realisticSize = true;
    config.baseUrl = base;
    const SiteContent expected(config);
    ASSERT_TRUE(FetchPage(base + "article/1000010", page_).bodyWritten());
    EXPECT_EQ(ReadFile(page_), expected.Respond("/article/1000010", "")->body);
    EXPECT_EQ(FetchPage(base + "article/1000011", page_).httpStatus, 404) << "only ten listings";

    EXPECT_EQ(program.Terminate(), 0);
}

TEST_F(SiteServeTest, StandaloneProgramGivesEachNamedSearchItsOwnBlockOfListings) {
    SiteProgram program({"--listings", "50", "--links", "20", "--search", "tokyo/sale-all/g-all", "--search",
                         "osaka/sale-fur/g-all", "--search", "kyoto/sale-all/g-all"});
    const std::string baseLine = program.ReadLine();
    const std::string base = baseLine.substr(std::string("base URL: ").size(), baseLine.size() - 11);
    program.ReadLine();

    SiteConfig config;
    config.listingCount = 50;
    config.linksPerSearch = 20;
    config.baseUrl = base;
    SiteContent expected(config);
    const auto numbers = [](int first, int count) {
        SearchSetup setup;
        for (int i = 0; i < count; ++i) {
            setup.listings.push_back((first - 1 + i) % 50 + 1);
        }
        return setup;
    };
    expected.SetSearch("osaka/sale-fur/g-all", numbers(21, 20));
    expected.SetSearch("kyoto/sale-all/g-all", numbers(41, 20)); // 41 to 50, then 1 to 10
    for (const char* search : {"osaka/sale-fur/g-all", "kyoto/sale-all/g-all", "nara/sale-all/g-all"}) {
        ASSERT_TRUE(FetchPage(base + search, page_).bodyWritten()) << search;
        EXPECT_EQ(ReadFile(page_), expected.Respond(std::string("/") + search, "")->body) << search;
    }
    EXPECT_EQ(program.Terminate(), 0);
}

// The benchmark reads the pauses between requests from this log.
TEST_F(SiteServeTest, StandaloneProgramLogsEveryRequestWithItsTimeOnExit) {
    const std::filesystem::path log = dir_.path() / "requests.log";
    SiteProgram program({"--listings", "3", "--request-log", log.string()});
    const std::string baseLine = program.ReadLine();
    const std::string base = baseLine.substr(std::string("base URL: ").size(), baseLine.size() - 11);
    program.ReadLine();
    ASSERT_TRUE(FetchPage(base + "all/sale-all/g-all?keyword=a%20b", page_).bodyWritten());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(FetchPage(base + "article/1000002", page_).bodyWritten());
    EXPECT_FALSE(std::filesystem::exists(log)) << "written on exit only";
    ASSERT_EQ(program.Terminate(), 0);

    std::istringstream lines(ReadFile(log));
    double first = 0;
    double second = 0;
    std::string firstPath;
    std::string secondPath;
    ASSERT_TRUE(lines >> first >> firstPath >> second >> secondPath) << ReadFile(log);
    EXPECT_EQ(firstPath, "/all/sale-all/g-all?keyword=a%20b");
    EXPECT_EQ(secondPath, "/article/1000002");
    EXPECT_GE(first, 0.0);
    EXPECT_GE(second - first, 0.05);
    std::string rest;
    EXPECT_FALSE(lines >> rest) << "one line per request";
}

TEST_F(SiteServeTest, StandaloneProgramRefusesBadArguments) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--port"},
                                                      {"--port", "70000"},
                                                      {"--seed", "x"},
                                                      {"--listings", "-1"},
                                                      {"--what"},
                                                      {"--request-log", ""},
                                                      {"--search", ""}}) {
        SiteProgram program(arguments, true);
        EXPECT_EQ(program.ReadLine(), "");
        EXPECT_EQ(program.Terminate(), 2);
    }
}

} // namespace
} // namespace vorn::site
