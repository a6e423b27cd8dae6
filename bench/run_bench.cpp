// vorn_run_bench [listings]: one whole run against the sample site on loopback, with the real
// pause, over one search that lists `listings` listings (200 unless told) of realistic weight.
// Prints how far the run's time is above the pauses the site is owed, and what the run cost.

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

#include "crawl/crawl_front_end.h"
#include "crawl/crawl_job.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "web/fetch_page.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchFrontEnd : public vorn::CrawlFrontEnd {
public:
    explicit BenchFrontEnd(vorn::CrawlSelection selection) : selection_(std::move(selection)) {}

    QObject* context() override { return &context_; }
    vorn::CrawlSelection TakeSelection() override { return selection_; }
    void InitProgress(int) override {}
    void StepProgress() override {}
    void ShowStatus(const std::string&) override {}
    bool CheckSeen(const std::string& listingKey) override {
        return listingKey.size() <= 100 && !seen_.insert(listingKey).second;
    }
    std::string LookUpAreaPath(int, int) override { return {}; }
    void HandBack(int crawlResult) override { result = crawlResult; }

    int result = -1;

private:
    QObject context_;
    vorn::CrawlSelection selection_;
    std::set<std::string> seen_;
};

// The job, measuring the CPU time of its own thread (the site serves from other threads).
class TimedJob : public vorn::CrawlJob {
public:
    using CrawlJob::CrawlJob;
    double cpuSeconds = 0;

protected:
    void run() override {
        worker().Execute();
        timespec used{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        cpuSeconds = static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
    }
};

double Seconds(std::chrono::nanoseconds duration) { return std::chrono::duration<double>(duration).count(); }

double ProcessCpuSeconds(const rusage& usage) {
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int ListingsWanted(int argc, char** argv) {
    int listings = 200;
    if (argc > 1) {
        const std::string_view text = argv[1];
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), listings);
        if (error != std::errc() || end != text.data() + text.size() || listings < 1) {
            std::fprintf(stderr, "usage: vorn_run_bench [listings]\n");
            std::exit(2);
        }
    }
    return listings;
}

} // namespace

int main(int argc, char** argv) {
    const int listings = ListingsWanted(argc, argv);
    QCoreApplication app(argc, argv);

    vorn::site::SampleSite site;
    vorn::site::SiteConfig siteConfig;
    siteConfig.listingCount = listings;
    siteConfig.realisticSize = true;
    const auto content = vorn::site::ServeContent(site, siteConfig);
    vorn::site::SearchSetup search;
    for (int number = 1; number <= listings; ++number) {
        search.listings.push_back(number);
    }
    content->SetSearch("all/sale-all/g-all", search);

    vorn::FetchSettings fetchSettings = vorn::CurrentFetchSettings();
    fetchSettings.extraCaFile = vorn::site::SampleSite::CaFile().string();
    vorn::SetFetchSettings(fetchSettings);

    std::string folder = (std::filesystem::temp_directory_path() / "vorn-run-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path programDir = folder;
    std::filesystem::create_directories(programDir / "db");

    vorn::CrawlSelection selection;
    selection.allAreas = true;
    selection.allGenres = true;
    selection.areaTexts = {"x"};
    selection.areaChecked = {true};
    selection.csvFileName = programDir / "run.csv";
    BenchFrontEnd frontEnd(selection);
    TimedJob job(frontEnd, vorn::CrawlConfig{programDir, site.baseUrl()});

    const Clock::time_point start = Clock::now();
    QEventLoop loop;
    QObject::connect(&job, &QThread::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    job.wait();
    const Clock::duration runTime = Clock::now() - start;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const std::size_t requests = site.Requests().size();
    const Clock::duration pauses = requests * vorn::kFetchPause;
    const std::uintmax_t csvBytes = std::filesystem::file_size(selection.csvFileName);
    site.Stop();
    std::filesystem::remove_all(programDir);

    std::printf("listings           %d (result %d, %zu requests, CSV %ju bytes)\n", listings, frontEnd.result, requests,
                csvBytes);
    std::printf("run time           %.3f s\n", Seconds(runTime));
    std::printf("mandated pauses    %.3f s\n", Seconds(pauses));
    std::printf("run / pauses       %.4f\n", Seconds(runTime) / Seconds(pauses));
    std::printf("crawl thread CPU   %.3f s\n", job.cpuSeconds);
    std::printf("process CPU        %.3f s (the site's threads included)\n", ProcessCpuSeconds(usage));
    std::printf("peak memory        %.1f MB (the site included)\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return frontEnd.result == vorn::kRowsWritten ? 0 : 1;
}
