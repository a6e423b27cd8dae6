#pragma once

#include <string>
#include <vector>

#include "tests/crawl/crawl_job_fixture.h"
#include "tools/sample_site/site_response.h"
#include "web/fetch_page.h"

namespace vorn::test {

// Whole runs against a site that misbehaves. One area and the genres 家具 and 家電: the 家具
// search lists articles 1 and 2, served well, so every case has rows written before its fault;
// the 家電 search lists articles 3 and 4 and is where the cases put their faults. Transfers give
// up after a second of silence and after three seconds in all.
class FaultRunTest : public CrawlJobTest {
protected:
    FaultRunTest();
    ~FaultRunTest() override;

    static constexpr const char* kGoodSearch = "/p0/sale-fur/g-all";
    static constexpr const char* kFaultSearch = "/p0/sale-ele/g-all";

    // From now on the site answers path with this.
    void Serve(const std::string& path, const site::SiteResponse& answer);
    static site::SiteResponse Page(std::string body, int status = 200);
    static site::SiteResponse Faulty(site::SiteResponse::Fault fault);
    // The path a photograph of an item page is asked for by (the page's thumb_s_ made thumb_).
    static std::string PhotoPath(int article, int k);

    // A fresh job and front end on the same site and selection, checked as Run() checks; for
    // tables of cases. The site's request log is cleared first.
    int RunFresh();

    // Reads the CSV as a spreadsheet would, failing the test unless it is well formed: the header
    // once, then rows of every field and the empty value after them. Returns the rows as UTF-8,
    // header first.
    std::vector<Strings> WellFormedRows();
    // Each row after the header as "title @ path of the detail URL": "品物1 @ /article/1", and
    // " @ /article/3" for a row of a page that was not read.
    Strings RowSummaries();
    // Rows 1 and 2, written before the fault, followed by these.
    static Strings AfterTheGoodSearch(const Strings& more);

    FetchSettings savedSettings_;
    FetchSettings shortSettings_;
};

// A port on 127.0.0.1 whose connections the kernel accepts and nobody ever answers.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};

} // namespace vorn::test
