#include "crawl/results_page.h"

#include <utility>
#include <vector>

#include "crawl/search_host.h"
#include "crawl/search_plan.h"
#include "extract/csv_output.h"
#include "web/cp932.h"
#include "web/page_lines.h"
#include "web/text.h"

namespace vorn {

namespace {

// Raw lines are UTF-8, so markers are matched as plain bytes: a CP932-aware search would read
// UTF-8 bytes as lead bytes and step over the marker.
bool RawContains(std::string_view rawLine, std::string_view marker) {
    return rawLine.find(marker) != std::string_view::npos;
}

// The page's result total; 0 when it has none or the stop came before it, and nothing when the
// page has no result-total line at all.
std::optional<int> ReadResultTotal(const SearchHost& run, const std::vector<std::string_view>& lines) {
    bool totalLineSeen = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsResultTotalLine(lines[i])) {
            if (i + 1 < lines.size()) {
                return ParseResultTotal(lines[i + 1]);
            }
            totalLineSeen = true;
        }
        if (run.StopRequested()) {
            return 0;
        }
    }
    return totalLineSeen ? std::optional<int>(0) : std::nullopt;
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

SearchCounts SearchResultsPage(SearchHost& run, const std::string& url) {
    SearchCounts counts;
    std::string page;
    const bool served = run.FetchPage(url, page);
    run.Pause();

    // The page as written to the scratch file. A failed fetch leaves neither file nor bytes, so
    // the search reads as one without results (and a scratch file that cannot be written has
    // stopped the run).
    std::vector<std::string_view> lines;
    SplitPageLines(page, lines);

    const std::optional<int> total = ReadResultTotal(run, lines);
    // A page the site served without the line is one this program cannot read: the site changed.
    counts.unrecognised = served && !total;
    counts.totalCount = total.value_or(0);
    if (counts.totalCount <= 0 || run.StopRequested()) {
        run.ShowStatus(counts.newCount, counts.totalCount);
        return counts;
    }

    std::vector<std::string> keys;
    for (const std::string_view line : lines) {
        if (IsItemLinkLine(line)) {
            if (std::optional<std::string> key = ListingKeyFromLine(line)) {
                keys.push_back(std::move(*key));
            }
        }
    }
    // The whole page is known before its first listing is read: a listing further down is on
    // the site as much as one already read.
    run.ListingsOnPage(keys);
    for (const std::string& key : keys) {
        if (!run.CheckSeen(key)) {
            ++counts.newCount;
            run.ShowStatus(counts.newCount, counts.totalCount);
            run.CollectListing("https" + key);
        }
        if (counts.newCount >= counts.totalCount || run.StopRequested()) {
            break;
        }
    }
    return counts;
}

} // namespace vorn
