#include "tests/crawl/crawl_test_site.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include <QEventLoop>

#include "crawl/crawl_job.h"
#include "tools/sample_site/site_pages.h"
#include "web/cp932.h"
#include "web/fetch_page.h"

namespace vorn::test {

namespace {

std::vector<std::string> SplitValues(const std::string& line) {
    std::vector<std::string> values;
    std::string rest = line;
    if (!rest.empty() && rest.front() == '"') {
        rest.erase(0, 1);
    }
    // Rows end with '",' and the header with '"'.
    for (const char* end : {"\",", "\""}) {
        const std::string tail = end;
        if (rest.size() >= tail.size() && rest.compare(rest.size() - tail.size(), tail.size(), tail) == 0) {
            rest.erase(rest.size() - tail.size());
            break;
        }
    }
    std::size_t start = 0;
    for (std::size_t cut = rest.find("\",\""); cut != std::string::npos; cut = rest.find("\",\"", start)) {
        values.push_back(rest.substr(start, cut - start));
        start = cut + 3;
    }
    values.push_back(rest.substr(start));
    return values;
}

} // namespace

QCoreApplication& TestApp() {
    static int argc = 1;
    static char name[] = "vorn_crawl_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

CrawlTestSite::CrawlTestSite() {
    FetchSettings settings = CurrentFetchSettings();
    settings.extraCaFile = site::SampleSite::CaFile().string();
    SetFetchSettings(settings);
    site_.Handle("/articles/images/*", [](const site::SiteRequest&) {
        site::SiteResponse answer;
        answer.contentType = "image/jpeg";
        answer.body = "\xFF\xD8\xFF\xD9";
        return answer;
    });
}

std::string CrawlTestSite::ArticleUrl(int article) const { return site_.Url("article/" + std::to_string(article)); }

std::string CrawlTestSite::ResultsPage(int total, const std::vector<int>& articles, bool totalFirst) const {
    std::vector<std::string> urls;
    for (const int article : articles) {
        urls.push_back(ArticleUrl(article));
    }
    return ResultsLinking(total, urls, totalFirst);
}

std::string CrawlTestSite::ResultsLinking(int total, const std::vector<std::string>& urls, bool totalFirst) {
    std::string page;
    if (!totalFirst) {
        page += "<!DOCTYPE html>\n<html><head><title>検索結果</title></head>\n<body>\n<nav><a "
                "href=\"/\">トップ</a></nav>\n";
    }
    page += site::ResultTotalMarkup(std::to_string(total)) + "<div class=\"p-articles-list\">\n";
    for (const std::string& url : urls) {
        // Indented, as the crawl trims a line before it reads it.
        page += "  " + site::ItemLinkMarkup(url, "src=\"x.jpg\"");
    }
    return page + "</div>\n</body></html>\n";
}

std::string CrawlTestSite::ItemPage(int article, int images) const {
    const std::string n = std::to_string(article);
    std::string page = "<h1 class=\"p-item-title\">品物" + n + "<span>（投稿ID :p" + n + "）</span></h1>\n";
    page += "<div>更新<!-- -->2024年5月1日</div><div>作成<!-- -->2024年4月1日</div>\n";
    for (int k = 1; k <= images; ++k) {
        page += "<img src=\"" + site_.Url("articles/images/thumb_s_" + n + "_" + std::to_string(k) + ".jpg") + "\">\n";
    }
    page += "<script>\n</script>\n";
    page +=
        "</div><script id=\"__NEXT_DATA__\" type=\"application/json\">{\"favorite_user_count\":3,\"x\":1}</script>\n";
    page += "</body></html>\n";
    return page;
}

void CrawlTestSite::AddResults(const std::string& searchPath, int total, const std::vector<int>& articles) {
    site_.Handle("/" + searchPath, [page = ResultsPage(total, articles)](const site::SiteRequest&) {
        site::SiteResponse answer;
        answer.body = page;
        return answer;
    });
}

void CrawlTestSite::AddItems(const std::vector<int>& articles, int images) {
    for (const int article : articles) {
        site_.Handle("/article/" + std::to_string(article),
                     [page = ItemPage(article, images)](const site::SiteRequest&) {
                         site::SiteResponse answer;
                         answer.body = page;
                         return answer;
                     });
    }
}

void CrawlTestSite::AddStatus(const std::string& path, int status) {
    site_.Handle(path, [status](const site::SiteRequest&) {
        site::SiteResponse answer;
        answer.status = status;
        answer.body = "<html><body>error</body></html>\n";
        return answer;
    });
}

std::vector<std::string> CrawlTestSite::RequestedPaths() const { return site_.RequestedPaths(); }

void RunOnWorkerThread(CrawlJob& job) {
    TestApp();
    QEventLoop loop;
    QObject::connect(&job, &QThread::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    job.wait();
}

std::string ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::vector<std::string>> ReadCsv(const std::filesystem::path& file) {
    const std::string bytes = ReadFileBytes(file);
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
        if (end == 0 || bytes[end - 1] != '\r') {
            throw std::runtime_error("a line of " + file.string() + " does not end with CR LF");
        }
        rows.push_back(SplitValues(AnsiToUtf8(bytes.substr(start, end - 1 - start))));
        start = end + 1;
    }
    if (start != bytes.size()) {
        throw std::runtime_error(file.string() + " ends inside a line");
    }
    return rows;
}

} // namespace vorn::test
