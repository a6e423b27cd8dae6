#include "tests/faults/fault_run_fixture.h"

#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "extract/item_fields.h"
#include "tests/support/csv_reader.h"
#include "web/cp932.h"

namespace vorn::test {

namespace {

constexpr std::size_t kColumns = kItemFieldCount;

} // namespace

FaultRunTest::FaultRunTest() : savedSettings_(CurrentFetchSettings()), shortSettings_(savedSettings_) {
    shortSettings_.connectTimeoutSeconds = 1;
    shortSettings_.idleTimeoutSeconds = 1;
    shortSettings_.totalTimeoutSeconds = 3;
    SetFetchSettings(shortSettings_);
    Choose({0}, "0,2,");
    site_.AddResults(std::string(kGoodSearch).substr(1), 2, {1, 2});
    site_.AddResults(std::string(kFaultSearch).substr(1), 2, {3, 4});
    site_.AddItems({1, 2, 3, 4}, 2);
}

FaultRunTest::~FaultRunTest() { SetFetchSettings(savedSettings_); }

void FaultRunTest::Serve(const std::string& path, const site::SiteResponse& answer) {
    site_.server().Handle(path, [answer](const site::SiteRequest&) { return answer; });
}

site::SiteResponse FaultRunTest::Page(std::string body, int status) {
    site::SiteResponse answer;
    answer.status = status;
    answer.body = std::move(body);
    return answer;
}

site::SiteResponse FaultRunTest::Faulty(site::SiteResponse::Fault fault) {
    site::SiteResponse answer = Page("<html><body>" + std::string(4000, 'x') + "</body></html>\n");
    answer.fault = fault;
    return answer;
}

std::string FaultRunTest::PhotoPath(int article, int k) {
    return "/articles/images/thumb_" + std::to_string(article) + "_" + std::to_string(k) + ".jpg";
}

int FaultRunTest::RunFresh() {
    site_.server().ClearRequests();
    FakeFrontEnd frontEnd;
    frontEnd.selection = selection();
    frontEnd.areaPaths = frontEnd_.areaPaths;
    CrawlJob job(frontEnd, CrawlConfig{programDir_.path(), site_.baseUrl(), pause_});
    frontEnd.job = &job;
    RunOnWorkerThread(job);
    EXPECT_EQ(frontEnd.handBacks(), 1);
    EXPECT_EQ(frontEnd.calls.back().rfind("handback", 0), 0u) << "the hand-back comes last";
    EXPECT_FALSE(frontEnd.runningAtHandBack);
    EXPECT_FALSE(frontEnd.scratchLeftAtHandBack);
    EXPECT_EQ(frontEnd.Calls("step").size(), 2u) << "both searches were made";
    return job.worker().crawlResult();
}

SilentListener::SilentListener() {
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(socket_, 16) != 0 || ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
}

SilentListener::~SilentListener() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

std::vector<Strings> FaultRunTest::WellFormedRows() {
    const CsvParse parse = ParseCsv(ReadFileBytes(csvFile()));
    EXPECT_EQ(parse.error, "") << "the CSV is not well formed";
    std::vector<Strings> rows;
    for (const CsvRecord& record : parse.records) {
        Strings row;
        for (const std::string& value : record) {
            row.push_back(AnsiToUtf8(value));
        }
        rows.push_back(std::move(row));
    }
    if (rows.empty()) {
        ADD_FAILURE() << "the CSV has no header";
        return rows;
    }
    EXPECT_EQ(rows[0].size(), kColumns);
    EXPECT_EQ(rows[0][0], "投稿ID");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].size(), kColumns + 1) << "row " << i;
        EXPECT_EQ(rows[i].back(), "") << "row " << i << " ends in an empty 26th value";
        EXPECT_NE(rows[i][0], "投稿ID") << "the header comes once";
    }
    return rows;
}

Strings FaultRunTest::RowSummaries() {
    const std::vector<Strings> rows = WellFormedRows();
    const std::string base = site_.baseUrl();
    Strings summaries;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].size() <= kColumns) {
            summaries.push_back("(short row)");
            continue;
        }
        std::string url = rows[i][24];
        if (url.rfind(base, 0) == 0) {
            url = "/" + url.substr(base.size());
        }
        summaries.push_back(rows[i][1] + " @ " + url);
    }
    return summaries;
}

Strings FaultRunTest::AfterTheGoodSearch(const Strings& more) {
    Strings rows = {"品物1 @ /article/1", "品物2 @ /article/2"};
    rows.insert(rows.end(), more.begin(), more.end());
    return rows;
}

} // namespace vorn::test
