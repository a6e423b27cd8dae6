#include "crawl/results_page.h"

#include <filesystem>
#include <vector>

#include "crawl/crawl_worker.h"
#include "crawl/fetch_outcome.h"
#include "crawl/search_plan.h"
#include "extract/csv_output.h"
#include "extract/item_page.h"
#include "web/cp932.h"
#include "web/fetch_page.h"
#include "web/page_lines.h"
#include "web/text.h"

namespace vorn {

namespace {

// Raw lines are UTF-8, so markers are matched as plain bytes: a CP932-aware search would read
// UTF-8 bytes as lead bytes and step over the marker.
bool RawContains(std::string_view rawLine, std::string_view marker) {
    return rawLine.find(marker) != std::string_view::npos;
}

// The page's result total; 0 when it has none or the stop came before it.
int ReadResultTotal(CrawlWorker& job, const std::vector<std::string_view>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsResultTotalLine(lines[i]) && i + 1 < lines.size()) {
            return ParseResultTotal(lines[i + 1]);
        }
        if (job.StopRequested()) {
            break;
        }
    }
    return 0;
}

void CollectListing(CrawlWorker& job, const std::string& listingKey) {
    CrawlState& state = job.state();
    state.listingKey = listingKey;
    job.Synchronize([&job, &state] { state.alreadySeen = job.frontEnd().CheckSeen(state.listingKey); });
    if (state.alreadySeen) {
        return;
    }
    ++state.newCount;
    job.ShowStatus();
    ItemContext context = job.MakeItemContext();
    context.fetched = [&job](const FetchResult& result) { RecordFetchOutcome(job, result); };
    const ItemFields fields = ExtractItem(context, "https" + listingKey);
    job.WriteItemRow(BuildCsvRow(fields));
}

} // namespace

bool IsResultTotalLine(std::string_view rawLine) {
    return StartsWith(TrimView(rawLine), "<sp") && RawContains(rawLine, "p-articles-title-sub");
}

int ParseResultTotal(std::string_view nextRawLine) {
    static const std::string all = UTF8ToAnsi("全");
    static const std::string items = UTF8ToAnsi("件");
    std::string text = CleanText(UTF8ToAnsi(TrimView(nextRawLine)));
    text = RemoveAllNoCase(text, all);
    text = RemoveAllNoCase(text, items);
    text = RemoveAllNoCase(text, ",");
    return DecimalNumber(text).value_or(0);
}

bool IsItemLinkLine(std::string_view rawLine) {
    const std::string_view trimmed = TrimView(rawLine);
    return trimmed.size() >= 4 && trimmed.substr(1, 3) == "a c" && RawContains(rawLine, "p-item-image-link");
}

std::optional<std::string> ListingKeyFromLine(std::string_view rawLine) {
    const std::string line = UTF8ToAnsi(TrimView(rawLine));
    const std::size_t colon = FindText(line, ":");
    if (colon == npos) {
        return std::nullopt;
    }
    const std::string_view address = std::string_view(line).substr(colon);
    const std::size_t quote = FindText(address, "\"");
    if (quote == npos) {
        return std::nullopt;
    }
    return std::string(address.substr(0, quote));
}

void SearchResultsPage(CrawlWorker& job, const std::string& searchPath, const std::string& keywordQuery) {
    CrawlState& state = job.state();
    state.newCount = 0;
    state.totalCount = 0;

    const std::filesystem::path scratch = ScratchFile(job.config().programDir);
    std::string page;
    const FetchResult fetched = FetchPage(job.config().baseUrl + searchPath + keywordQuery, scratch, page);
    RecordFetchOutcome(job, fetched);
    job.Pause();

    // The page as written to the scratch file. A failed fetch leaves neither file nor bytes, so
    // the search reads as one without results (and a scratch file that cannot be written has
    // stopped the run).
    std::vector<std::string_view> lines;
    SplitPageLines(page, lines);

    state.totalCount = ReadResultTotal(job, lines);
    if (state.totalCount <= 0 || job.StopRequested()) {
        job.ShowStatus();
        return;
    }

    for (const std::string_view line : lines) {
        if (IsItemLinkLine(line)) {
            if (const std::optional<std::string> key = ListingKeyFromLine(line)) {
                CollectListing(job, *key);
            }
        }
        if (state.newCount >= state.totalCount || job.StopRequested()) {
            break;
        }
    }
}

} // namespace vorn
