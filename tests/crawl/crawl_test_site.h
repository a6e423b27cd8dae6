#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "tools/sample_site/sample_site.h"

namespace vorn {
class CrawlJob;
}

namespace vorn::test {

// The application object whose thread serves the front end's calls (created on first use).
QCoreApplication& TestApp();

// A sample site with small hand-made results and item pages, trusted by the fetcher.
class CrawlTestSite {
public:
    CrawlTestSite();

    site::SampleSite& server() { return site_; }
    std::string baseUrl() const { return site_.baseUrl(); }
    std::string ArticleUrl(int article) const;

    // A results page showing 全total件 and a link line per article; with totalFirst the total
    // marker is the page's first line, otherwise navigation lines come before it.
    std::string ResultsPage(int total, const std::vector<int>& articles, bool totalFirst = false) const;
    // The same linking any addresses.
    static std::string ResultsLinking(int total, const std::vector<std::string>& urls, bool totalFirst = false);
    // An item page opening with its "<h1" line (title 品物N, post ID pN), `images` photographs
    // and the page data (3 favourites).
    std::string ItemPage(int article, int images = 0) const;

    void AddResults(const std::string& searchPath, int total, const std::vector<int>& articles);
    void AddItems(const std::vector<int>& articles, int images = 0);
    void AddStatus(const std::string& path, int status);

    // "path?query" of every request so far (the query part only when there is one).
    std::vector<std::string> RequestedPaths() const;

private:
    site::SampleSite site_;
};

// Runs the job on its own thread while this thread serves the job's calls; returns when the
// thread has ended.
void RunOnWorkerThread(CrawlJob& job);

std::string ReadFileBytes(const std::filesystem::path& file);
// The CSV's lines split into values (UTF-8), header first; checks the CR LF line ends.
std::vector<std::vector<std::string>> ReadCsv(const std::filesystem::path& file);

} // namespace vorn::test
