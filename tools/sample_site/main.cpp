// vorn-sample-site: the sample site on 127.0.0.1 until SIGINT or SIGTERM.

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pthread.h>

#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"

namespace {

constexpr const char* kUsage =
    "usage: vorn-sample-site [--port N] [--seed S] [--listings N] [--links N] [--realistic]\n"
    "                        [--redesigned-results] [--redesigned-listings]\n"
    "                        [--search KEY]... [--request-log FILE] [--day N]\n"
    "  --port N      port on 127.0.0.1 (default 0: a free port)\n"
    "  --seed S      seed of the generated listings (default 1)\n"
    "  --listings N  number of listings on the site (default 300)\n"
    "  --links N     links on a results page (default 20)\n"
    "  --realistic   listing pages of real weight (about 110 KB)\n"
    "  --redesigned-results   results pages as after a redesign: other class names for the\n"
    "                         result total and the item links\n"
    "  --redesigned-listings  listing pages as after a redesign: no <h1 heading\n"
    "  --search KEY  the n-th of these searches (from 0) shows its own block of listings,\n"
    "                n x links + 1 to (n + 1) x links; KEY as the crawl appends it to the\n"
    "                base URL, e.g. tokyo/sale-all/g-all\n"
    "  --day N       the market on day N (default 1): from the same seed and port, each day\n"
    "                after the first some listings are cheaper, some dearer, some closed, some\n"
    "                posted again under a new address, some new and some gone\n"
    "  --request-log FILE  on exit, one line per request received: seconds since the start\n"
    "                      (microseconds), path and query\n";

std::optional<long> ParseNumber(std::string_view text, long low, long high) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

struct Options {
    int port = 0;
    vorn::site::SiteConfig config;
    std::vector<std::string> searches;
    std::string requestLog;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--realistic") {
            options.config.realisticSize = true;
            continue;
        }
        if (name == "--redesigned-results" || name == "--redesigned-listings") {
            (name == "--redesigned-results" ? options.config.redesignedResults : options.config.redesignedListings) =
                true;
            continue;
        }
        if (i + 1 >= argc) {
            return std::nullopt;
        }
        const std::string_view text = argv[++i];
        std::optional<long> value;
        if (name == "--search" && !text.empty()) {
            options.searches.emplace_back(text);
        } else if (name == "--request-log" && !text.empty()) {
            options.requestLog = std::string(text);
        } else if (name == "--port" && (value = ParseNumber(text, 0, 65535))) {
            options.port = static_cast<int>(*value);
        } else if (name == "--seed" && (value = ParseNumber(text, 0, 4294967295L))) {
            options.config.seed = static_cast<std::uint32_t>(*value);
        } else if (name == "--listings" && (value = ParseNumber(text, 0, 1000000))) {
            options.config.listingCount = static_cast<int>(*value);
        } else if (name == "--day" && (value = ParseNumber(text, 1, 3650))) {
            options.config.day = static_cast<int>(*value);
        } else if (name == "--links" && (value = ParseNumber(text, 0, 1000000))) {
            options.config.linksPerSearch = static_cast<int>(*value);
        } else {
            return std::nullopt;
        }
    }
    return options;
}

// Searches that share no listing, so that a run over them collects a known number of listings.
void SetUpBlockSearches(vorn::site::SiteContent& content, const std::vector<std::string>& searches) {
    const vorn::site::SiteConfig& config = content.config();
    for (std::size_t n = 0; n < searches.size() && config.listingCount > 0; ++n) {
        vorn::site::SearchSetup setup;
        for (int i = 0; i < config.linksPerSearch; ++i) {
            const long first = static_cast<long>(n) * config.linksPerSearch + i;
            setup.listings.push_back(static_cast<int>(first % config.listingCount) + 1);
        }
        content.SetSearch(searches[n], setup);
    }
}

// What a benchmark needs to check the pauses between requests as the site saw them.
bool WriteRequestLog(const std::string& file, const std::vector<vorn::site::SiteRequest>& requests,
                     std::chrono::steady_clock::time_point start) {
    std::FILE* out = std::fopen(file.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    for (const vorn::site::SiteRequest& request : requests) {
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(request.received - start).count();
        std::fprintf(out, "%lld.%06lld %s%s%s\n", static_cast<long long>(micros / 1000000),
                     static_cast<long long>(micros % 1000000), request.path.c_str(), request.query.empty() ? "" : "?",
                     request.query.c_str());
    }
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Blocked before the server's threads start, so that they inherit the mask and only
    // sigwait below sees the signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A client that hangs up mid-answer must not end the site.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        const auto start = std::chrono::steady_clock::now();
        vorn::site::SampleSite site(options->port);
        const auto content = vorn::site::ServeContent(site, options->config);
        SetUpBlockSearches(*content, options->searches);
        std::printf("base URL: %s\nCA file: %s\n", site.baseUrl().c_str(), vorn::site::SampleSite::CaFile().c_str());
        std::fflush(stdout);
        int received = 0;
        sigwait(&stopSignals, &received);
        site.Stop();
        if (!options->requestLog.empty() && !WriteRequestLog(options->requestLog, site.Requests(), start)) {
            std::fprintf(stderr, "vorn-sample-site: cannot write %s\n", options->requestLog.c_str());
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vorn-sample-site: %s\n", error.what());
        return 1;
    }
    return 0;
}
