#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "extract/csv_output.h"
#include "extract/item_page.h"
#include "web/cp932.h"
#include "web/page_lines.h"
#include "web/stand_ins.h"

namespace {

// An item page of about 110 KB shaped like the site's: a long head and navigation, the item block
// on a few long lines, footer scripts and a large page data line.
std::vector<std::string> RealisticItemPage() {
    std::vector<std::string> lines = {"<!DOCTYPE html>", R"(<html lang="ja"><head><meta charset="utf-8"/>)"};
    std::string head;
    for (int i = 0; i < 60; ++i) {
        head += R"(<link rel="preload" href="/_next/static/chunks/)" + std::to_string(i) + R"(.js" as="script"/>)";
    }
    lines.push_back(head + "</head>");
    std::string nav = R"(<body><div id="__next"><header><nav>)";
    for (int i = 0; i < 300; ++i) {
        nav += R"(<a href="/sale-fur/area)" + std::to_string(i) + R"(">家具・インテリア )" + std::to_string(i) + "</a>";
    }
    lines.push_back(nav + "</nav></header>");
    lines.push_back(R"(<main><h1 class="title">ソファー　3人掛け<span class="id">（投稿ID : abc123）</span></h1>)"
                    R"(<div><div>更新<!-- -->2024年5月1日</div><div>作成<!-- -->2024年4月20日</div></div>)");
    std::string photos;
    for (int i = 0; i < 8; ++i) {
        photos +=
            R"(<img src="https://img.vorn.test/articles/images/thumb_s_)" + std::to_string(i) + R"(.jpg" alt=""/>)";
    }
    lines.push_back(photos);
    std::string description = R"(<iframe src="https://video.test/x"></iframe><p>)";
    for (int i = 0; i < 40; ++i) {
        description += "きれいなソファーです。引き取りに来られる方にお譲りします。<br/>";
    }
    lines.push_back(description + "</p>");
    lines.push_back(
        R"(<table><tr><td>価格</td><td><span>5,000円</span></td></tr>)"
        R"(<tr><td>取引場所</td><td><div>東京都</div><div>新宿区</div></td></tr>)"
        R"(<tr><td>ジャンル</td><td><a>家具</a> &gt; <a>ソファー</a></td></tr></table>)"
        R"(<a href="/contact">投稿者にメールで問い合わせ</a>)"
        R"(<div>投稿者</div><a href="/profiles/u42">山田太郎</a></div><div>男性 30代</div>)"
        R"(<div>投稿：<!-- -->34</div><div><span>件</span></div></div><div><span>本人確認</span></div>)"
        R"(<span>認証とは</span><a href="/help">?</a>よろしくお願いします。<svg><path d="M0"></path></svg>)");
    lines.push_back("</main><script>window.dataLayer=[];</script>");
    std::string json = R"(</div></div><script id="__NEXT_DATA__" type="application/json">{"props":{"related":[)";
    while (json.size() < 83000) {
        json += R"({"id":"r1","title":"関連する商品のタイトル","price":"1,000円","favorite_count":3},)";
    }
    json += R"({}],"article":{"favorite_user_count":7,"user":{"good_evaluation_count":12,)"
            R"("normal_evaluation_count":1,"bad_evaluation_count":0}}}}</script>)";
    lines.push_back(json);
    lines.push_back("</body></html>");
    return lines;
}

void BM_ParseItemLines(benchmark::State& state) {
    const std::vector<std::string> page = RealisticItemPage();
    std::int64_t pageBytes = 0;
    for (const std::string& line : page) {
        pageBytes += static_cast<std::int64_t>(line.size()) + 2;
    }
    for (auto _ : state) {
        vorn::ItemFields fields;
        vorn::ParseItemLines(page, "https://vorn.test/", {}, fields);
        benchmark::DoNotOptimize(fields);
    }
    state.SetBytesProcessed(state.iterations() * pageBytes);
    state.counters["page_bytes"] = static_cast<double>(pageBytes);
}
BENCHMARK(BM_ParseItemLines)->Unit(benchmark::kMicrosecond);

std::int64_t PageBytes(const std::vector<std::string>& page) {
    std::int64_t bytes = 0;
    for (const std::string& line : page) {
        bytes += static_cast<std::int64_t>(line.size()) + 1;
    }
    return bytes;
}

// The page as the fetcher leaves it on disk, removed again when the benchmark ends.
class PageFile {
public:
    PageFile()
        : path_(std::filesystem::temp_directory_path() /
                ("vorn_extract_bench_" + std::to_string(::getpid()) + ".html")) {
        std::ofstream out(path_, std::ios::binary);
        for (const std::string& line : RealisticItemPage()) {
            out << line << '\n';
        }
    }
    ~PageFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// What the crawl does per listing once the page is on disk: load, read, build the CSV row.
void BM_ReadListingFromFile(benchmark::State& state) {
    const PageFile file;
    for (auto _ : state) {
        std::vector<std::string> lines;
        vorn::LoadPageLines(file.path(), lines);
        vorn::ItemFields fields;
        fields[vorn::kDetailUrl] = "https://vorn.test/sale-fur/abc123/";
        vorn::ParseItemLines(lines, "https://vorn.test/", {}, fields);
        std::string row = vorn::BuildCsvRow(fields);
        benchmark::DoNotOptimize(row);
    }
    state.SetBytesProcessed(state.iterations() * PageBytes(RealisticItemPage()));
}
BENCHMARK(BM_ReadListingFromFile)->Unit(benchmark::kMicrosecond);

void BM_LoadPageLines(benchmark::State& state) {
    const PageFile file;
    for (auto _ : state) {
        std::vector<std::string> lines;
        vorn::LoadPageLines(file.path(), lines);
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * PageBytes(RealisticItemPage()));
}
BENCHMARK(BM_LoadPageLines)->Unit(benchmark::kMicrosecond);

// Every line of the page converted, as the reading does once per line.
void BM_UTF8ToAnsiPage(benchmark::State& state) {
    const std::vector<std::string> page = RealisticItemPage();
    for (auto _ : state) {
        for (const std::string& line : page) {
            std::string converted = vorn::UTF8ToAnsi(line);
            benchmark::DoNotOptimize(converted);
        }
    }
    state.SetBytesProcessed(state.iterations() * PageBytes(page));
}
BENCHMARK(BM_UTF8ToAnsiPage)->Unit(benchmark::kMicrosecond);

// What a terminal run in code page 932 adds to every page to count the characters it loses: the
// page read for characters the code page lacks (this page has none, as most have not).
void BM_StandInsReplacePage(benchmark::State& state) {
    std::string page;
    for (const std::string& line : RealisticItemPage()) {
        page += line + "\n";
    }
    for (auto _ : state) {
        vorn::StandIns standIns;
        std::string replaced = standIns.Replace(page);
        benchmark::DoNotOptimize(replaced);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_StandInsReplacePage)->Unit(benchmark::kMicrosecond);

void BM_BuildCsvRow(benchmark::State& state) {
    vorn::ItemFields fields;
    fields[vorn::kDetailUrl] = "https://vorn.test/sale-fur/abc123/";
    vorn::ParseItemLines(RealisticItemPage(), "https://vorn.test/", {}, fields);
    for (auto _ : state) {
        std::string row = vorn::BuildCsvRow(fields);
        benchmark::DoNotOptimize(row);
    }
}
BENCHMARK(BM_BuildCsvRow)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
