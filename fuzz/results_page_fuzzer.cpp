// A results page from a hostile site, read the way a search reads it: the total from the line
// after the title marker, a listing key from every item-link line.

#include "crawl/results_page.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "web/page_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vorn::fuzz::Require;
    std::vector<std::string> lines;
    vorn::LoadPageLines(vorn::fuzz::WriteScratchFile(data, size), lines);

    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (vorn::IsResultTotalLine(lines[i]) && i + 1 < lines.size()) {
            static_cast<void>(vorn::ParseResultTotal(lines[i + 1]));
        }
        if (!vorn::IsItemLinkLine(lines[i])) {
            continue;
        }
        const std::optional<std::string> key = vorn::ListingKeyFromLine(lines[i]);
        if (key) {
            // The key becomes "https" + key and a row of the seen-listings table.
            Require(!key->empty() && key->front() == ':', "a listing key starts at the scheme's colon");
            Require(key->find('"') == std::string::npos, "a listing key ends before the closing quote");
            Require(vorn::fuzz::IsWellFormedCp932(*key), "a listing key holds whole characters");
        }
    }
    return 0;
}
