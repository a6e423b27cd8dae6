#include "app/cli/crawl_arguments.h"

#include <charconv>
#include <optional>
#include <string>

#include <unicode/utf8.h>

#include "app/core/filter_settings.h"
#include "watch/workbook.h"
#include "web/cp932.h"
#include "web/fetch_retry.h"
#include "web/text.h"

namespace vorn::cli {

namespace {

// The window's keyword box takes no more.
constexpr std::size_t kKeywordCharacters = 30;

// A day: a scheduled run that waits longer would meet the next day's.
constexpr int kMostWaitMinutes = 24 * 60;

std::optional<int> WholeNumber(const std::string& text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 0) {
        return std::nullopt;
    }
    return number;
}

std::size_t Characters(const std::string& utf8) {
    std::size_t count = 0;
    const auto length = static_cast<int32_t>(utf8.size());
    for (int32_t at = 0; at < length; ++count) {
        U8_FWD_1(utf8.data(), at, length);
    }
    return count;
}

} // namespace

const char* const kCrawlOptionsHelp =
    "An OUTPUT whose name ends in .xlsx is an Excel workbook: typed prices and dates, links, every\n"
    "character of the site, and each listing's first photograph when photographs are saved.\n"
    "Crawl options:\n"
    "  --new-only         pass over the listings an earlier run collected (see history)\n"
    "  --changes-only     read every listing but write only those new or changed since an earlier\n"
    "                     run read them, each with its change in a 26th column, 変化\n"
    "  --append           add the rows to the end of OUTPUT.csv, a file of this program in the\n"
    "                     same encoding; a missing file is created with its header\n"
    "  --encoding cp932   code page 932, as the window writes (the default)\n"
    "  --encoding utf-8   UTF-8 with a byte-order mark: keeps every character of the site\n"
    "  --retries N        fetch a page or photograph again, up to N times (at most 5), when the\n"
    "                     site answers 429 or 503 or not at all ([Site] Retries in db/vrn.ini)\n"
    "  --wait MINUTES     when the window or another command is running a crawl or a refresh,\n"
    "                     wait up to MINUTES for it to end instead of giving up at once\n"
    "  --quiet            no progress lines: only the outcome, the counts line and warnings\n"
    "Conditions by name (any of them: the saved conditions are not used):\n"
    "  --prefecture NAME  a prefecture by its name (東京都); again for more\n"
    "  --all-areas        the whole country in one search\n"
    "  --city NAME        a city of the one --prefecture given; again for more\n"
    "  --genre NAME       a genre (家具) or a sub-genre as genre/sub-genre (家具/ソファ); again for more\n"
    "  --all-genres       every genre in one search\n"
    "  --keyword TEXT     search for TEXT (at most 30 characters)\n"
    "  --images FOLDER    also save up to five photographs of each listing into FOLDER\n"
    "Names are written as `vorn-search-cli list` prints them.\n"
    "Filters (used together with [Filter] in db/vrn.ini; a listing left out gets no row and no\n"
    "photograph, and the counts line ends with 除外 N件):\n"
    "  --exclude WORD     leave out a listing whose title or description holds WORD, whatever the\n"
    "                     case and width of its letters, digits and kana; again for more\n"
    "  --min-price N      leave out a listing priced below N yen (digits only)\n"
    "  --max-price N      leave out a listing priced above N yen; one whose price has no number\n"
    "                     (応相談) is kept; each replaces [Filter] MinPrice or MaxPrice\n"
    "  --open-only        leave out the listings marked 受付終了\n"
    "  --exclude-poster X leave out a poster's listings, X the profile URL or the name, whole;\n"
    "                     again for more\n"
    "  --no-filter        do not read [Filter]: only the filter options above are used\n"
    "A saved search (in place of the saved conditions and of conditions by name):\n"
    "  --saved NAME       the conditions, filters and listings to write of a search saved by name in\n"
    "                     the window's options (see list saved), run as the window runs it; without\n"
    "                     OUTPUT, into the search's saved output ({date} made the day's date)\n";

CrawlArguments ParseCrawlArguments(const std::vector<std::string>& arguments) {
    CrawlArguments parsed;
    NamedConditions& named = parsed.named;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> value;
        if (const std::size_t equals = option.find('='); option.starts_with("--") && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        const auto takeValue = [&]() -> std::optional<std::string> {
            if (!value && i + 1 < arguments.size()) {
                value = arguments[++i];
            }
            if (!value || value->empty()) {
                parsed.error = option + " takes a value";
                return std::nullopt;
            }
            return value;
        };
        if (option == "--new-only" || option == "--append" || option == "--changes-only" || option == "--quiet") {
            if (value) {
                parsed.error = option + " takes no value";
            }
            (option == "--new-only"       ? parsed.newOnly
             : option == "--append"       ? parsed.append
             : option == "--changes-only" ? parsed.changesOnly
                                          : parsed.quiet) = true;
        } else if (option == "--encoding") {
            parsed.encodingGiven = true;
            if (const auto name = takeValue(); name && *name == "cp932") {
                parsed.encoding = CsvEncoding::Cp932;
            } else if (name && *name == "utf-8") {
                parsed.encoding = CsvEncoding::Utf8;
            } else if (parsed.error.empty()) {
                parsed.error = "--encoding takes cp932 or utf-8";
            }
        } else if (option == "--retries" || option == "--wait") {
            const bool retries = option == "--retries";
            const int most = retries ? kMostRetries : kMostWaitMinutes;
            if (const auto text = takeValue()) {
                if (const std::optional<int> number = WholeNumber(*text); !number || *number > most) {
                    parsed.error = option + " takes a whole number from 0 to " + std::to_string(most);
                } else if (retries) {
                    parsed.retries = *number;
                } else {
                    parsed.waitMinutes = *number;
                }
            }
        } else if (option == "--all-areas" || option == "--all-genres") {
            if (value) {
                parsed.error = option + " takes no value";
            }
            (option == "--all-areas" ? named.allAreas : named.allGenres) = true;
        } else if (option == "--prefecture" || option == "--city" || option == "--genre") {
            if (const auto name = takeValue()) {
                (option == "--prefecture" ? named.prefectures
                 : option == "--city"     ? named.cities
                                          : named.genres)
                    .push_back(*name);
            }
        } else if (option == "--keyword" || option == "--images" || option == "--saved") {
            std::optional<std::string>& target = option == "--keyword"  ? named.keyword
                                                 : option == "--images" ? named.imageFolder
                                                                        : parsed.savedName;
            if (target) {
                parsed.error = option + " is given twice";
            } else if (const auto text = takeValue()) {
                target = *text;
            }
        } else if (option == "--exclude" || option == "--exclude-poster") {
            if (const auto text = takeValue(); text && TrimView(*text).empty()) {
                parsed.error = option + " takes a value that is not blank";
            } else if (text) {
                (option == "--exclude" ? parsed.filter.excludeWords : parsed.filter.excludePosters)
                    .push_back(UTF8ToAnsi(*text));
            }
        } else if (option == "--min-price" || option == "--max-price") {
            std::optional<long long>& bound = option == "--min-price" ? parsed.filter.minPrice : parsed.filter.maxPrice;
            if (bound) {
                parsed.error = option + " is given twice";
            } else if (const auto text = takeValue()) {
                bound = ParseYen(*text);
                if (!bound) {
                    parsed.error = option + " takes a whole number of yen, digits only, not \"" + *text + "\"";
                }
            }
        } else if (option == "--open-only" || option == "--no-filter") {
            if (value) {
                parsed.error = option + " takes no value";
            }
            (option == "--open-only" ? parsed.filter.openOnly : parsed.noFilter) = true;
        } else if (option.starts_with("--")) {
            parsed.error = "unknown option " + option;
        } else {
            files.push_back(option);
        }
    }
    if (parsed.error.empty() && parsed.newOnly && parsed.changesOnly) {
        parsed.error = "--new-only and --changes-only cannot be given together";
    }
    if (parsed.error.empty() && named.keyword && Characters(*named.keyword) > kKeywordCharacters) {
        parsed.error = "--keyword takes at most 30 characters, as the window's keyword box does";
    }
    if (parsed.error.empty()) {
        parsed.error = PriceRangeRefusal(parsed.filter, "--min-price", "--max-price");
    }
    if (parsed.error.empty() && parsed.savedName && (named.Any() || parsed.newOnly || parsed.changesOnly)) {
        parsed.error = "--saved runs the search as it was saved: give no conditions by name and no --new-only or "
                       "--changes-only with it";
    }
    // A saved search may bring its own output.
    const bool savedOutput = parsed.savedName && files.empty();
    if (parsed.error.empty() && !savedOutput && (files.size() != 1 || files[0].empty())) {
        parsed.error = "crawl takes one file name, the CSV file or workbook to write";
    }
    if (parsed.error.empty() && !savedOutput) {
        parsed.error = SetCrawlOutput(parsed, files[0]);
    }
    return parsed;
}

std::string SetCrawlOutput(CrawlArguments& parsed, std::string output) {
    parsed.output = std::move(output);
    parsed.workbook = IsWorkbookName(parsed.output);
    // A workbook is written whole at the end of the run, in UTF-8.
    if (parsed.workbook && (parsed.encodingGiven || parsed.append)) {
        return std::string(parsed.encodingGiven ? "--encoding" : "--append") +
               " is for a CSV file, not a workbook (.xlsx)";
    }
    return {};
}

} // namespace vorn::cli
