// An item page from a hostile site, read into the 25 values as extraction reads it: once to the
// end, once with a stop that comes part way through.

#include "extract/item_page.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extract/item_fields.h"
#include "fuzz/fuzz_support.h"
#include "web/page_lines.h"

namespace {

using vorn::fuzz::Require;

constexpr std::string_view kBaseUrl = "https://127.0.0.1:8443/";
constexpr std::string_view kDetailUrl = "https://127.0.0.1:8443/article/1000001";

void CheckFields(const vorn::ItemFields& fields) {
    Require(fields[vorn::kDetailUrl] == kDetailUrl, "the detail URL stays as the caller set it");
    for (const std::string& field : fields) {
        // Values go to the CSV file, file names and the fetcher as CP932 text of one line.
        Require(field.find_first_of("\r\n") == std::string::npos, "no value holds a line break");
        Require(vorn::fuzz::IsWellFormedCp932(field), "every value holds whole characters");
    }
    const std::string& profile = fields[vorn::kProfileUrl];
    Require(profile.empty() || profile.starts_with("https://127.0.0.1:8443/profiles/"), "a profile URL is on the site");
    for (int k = 0; k < vorn::kMaxImages; ++k) {
        const std::string& image = fields[vorn::kFirstImageUrl + k];
        Require(image.empty() || image.starts_with("http"), "an image URL starts with its scheme");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    vorn::LoadPageLines(vorn::fuzz::WriteScratchFile(data, size), lines);

    vorn::ItemFields fields;
    fields[vorn::kDetailUrl] = kDetailUrl;
    vorn::ParseItemLines(lines, kBaseUrl, {}, fields);
    CheckFields(fields);

    // The stop flag is polled after lines and image pieces; stopping at any of them is sound.
    const std::size_t stopAfter = size % 17;
    std::size_t polls = 0;
    vorn::ItemFields stopped;
    stopped[vorn::kDetailUrl] = kDetailUrl;
    vorn::ParseItemLines(
        lines, kBaseUrl, [&polls, stopAfter] { return polls++ >= stopAfter; }, stopped);
    CheckFields(stopped);
    return 0;
}
