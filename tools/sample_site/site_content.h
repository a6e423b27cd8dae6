#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/sample_site/market_days.h"
#include "tools/sample_site/site_listing.h"
#include "tools/sample_site/site_response.h"

// The sample site's content: results pages, listing pages, photographs and the catalogue pages,
// generated from a seed. Every answer is a function of the configuration, the test's set-up and
// the request's path and query; nothing depends on which pages were asked for before.
//
// Addresses (paths after the base URL; the city code always comes last):
//   all/sale-all/g-all                  results: nationwide, all genres
//   {area}/sale-{genre}/g-{sub}         results: area "all" or a prefecture word (site_tables.h),
//                                       genre "all" or a genre code; sub "all" or a number
//                                       ("all" only under genre "all")
//   {pref}/sale-{genre}/g-{sub}/a-NNNNN results of one city of a prefecture
//   any of these + "?keyword=..."       the same search for a keyword (a search of its own)
//   article/{1000000 + n}               the page of listing n (1..listingCount); queries ignored
//   articles/images/{id}/thumb_N.jpg    a photograph (also thumb_s_N.jpg); users/images/... too
//   {pref}/sale                         a prefecture's sale page with its city list
//   all/sale-{genre}                    a genre's nationwide sale page with its sub-genre list
// Anything else has no content (the server's 404 page).
//
// Which listings a search shows: a search's key is its path without the leading "/", followed by
// "?" and the query when there is one; exactly what the crawl appends to the base URL, e.g.
// "tokyo/sale-fur/g-all", "all/sale-all/g-all?keyword=%E6%A4%85%E5%AD%90".
//   - A search given with SetSearch() shows those listing numbers in that order, under its total.
//   - Otherwise it shows linksPerSearch consecutive listing numbers (after listingCount comes 1
//     again): "all/sale-all/g-all" from listing 1, every other search from
//     1 + (FNV-1a 32-bit hash of its key) % listingCount. Its total is the number of links.
//   SearchOf() answers this for any key. A total of 0 shows "全0件" with no results but three
//   recommended listings (1, 2, 3) as item links below, which a crawl must not follow.
// Listing n's content is MakeListing(seed, n) (site_listing.h); its traits (missing markers,
// entities, many photographs, a listing key over 100 bytes, ...) follow ListingTraits().
namespace vorn::site {

class SampleSite;

struct SiteConfig {
    std::uint32_t seed = 1;
    std::string baseUrl = "https://127.0.0.1/"; // as the server reports it, with the trailing slash
    int listingCount = 300;                     // listings 1..listingCount exist
    int linksPerSearch = 20;                    // links of a search not set up (capped at listingCount)
    bool realisticSize = false;                 // listing pages of about 110 KB, full navigation
    // As after a redesign of the site: results pages with other class names for the result total
    // and the item links, listing pages without their "<h1" heading.
    bool redesignedResults = false;
    bool redesignedListings = false;
    // The market's day (MarketDays): 1 is the site as generated; searches not set up show the
    // listings of that day.
    int day = 1;
};

struct SearchSetup {
    std::vector<int> listings; // listing numbers in page order (repeats allowed)
    std::optional<int> total;  // the page's 全N件; the number of links when not given
};

enum class PageFault {
    None,
    ServerError,    // status 500 with a short error page
    DropConnection, // the connection closes before any answer
    CutOff,         // the body stops half-way
    Redesigned,     // served as after a redesign (SiteConfig::redesignedResults and ...Listings)
};

class SiteContent {
public:
    explicit SiteContent(SiteConfig config);

    const SiteConfig& config() const { return config_; }

    // Set-up; safe while the site serves. A fault set for a path without query applies to every
    // query of that path; one set for path + "?" + query only to that query.
    void SetSearch(const std::string& searchKey, SearchSetup setup);
    void SetFault(const std::string& pathAndQuery, PageFault fault);
    void ClearFault(const std::string& pathAndQuery);
    // Listing n's title (UTF-8 HTML text) from now on, in place of the generated one.
    void SetTitle(int number, std::string title);
    // Listing n's price as the page writes it before "円" ("9,800"), or a word shown alone
    // ("応相談"), from now on.
    void SetPrice(int number, std::string price);
    // Listing n's description (UTF-8 HTML text, one page line each) from now on.
    void SetDescription(int number, std::vector<std::string> lines);
    // Listing n's poster from now on: the profile number (its page is /profiles/N) and the name
    // (UTF-8 HTML text).
    void SetPoster(int number, long profileId, std::string name);
    // Listing n's enquiries closed ("お問い合わせの受付は終了", read as 受付終了) or open again.
    void SetClosed(int number, bool closed);

    SearchSetup SearchOf(std::string_view searchKey) const;
    Listing ListingAt(int number) const;
    // The address results pages link listing n to ("https://host:port/article/ID[?...]").
    std::string ListingUrl(int number) const;

    // The answer for a request; path with its leading "/", query raw without the "?". Nothing
    // when the site has no such page.
    std::optional<SiteResponse> Respond(const std::string& path, const std::string& query) const;

private:
    std::optional<PageFault> FaultFor(const std::string& path, const std::string& query) const;
    std::optional<SiteResponse> SearchResults(const std::vector<std::string>& segments, const std::string& searchKey,
                                              const std::string& query) const;
    std::optional<SiteResponse> ListingPage(std::string_view articleId) const;

    SiteConfig config_;
    MarketDays market_;
    mutable std::mutex mutex_;
    std::map<std::string, SearchSetup, std::less<>> searches_;
    std::map<std::string, PageFault, std::less<>> faults_;
    std::map<int, std::string> titles_;
    std::map<int, std::string> prices_;
    std::map<int, std::vector<std::string>> descriptions_;
    std::map<int, std::pair<long, std::string>> posters_;
    std::map<int, bool> closed_;
};

// The FNV-1a 32-bit hash the default search mapping uses.
std::uint32_t SearchHash(std::string_view searchKey);

// Serves generated content on `site` (as its fallback, so the site's own routes and test routes
// stay first), with the site's base URL put into config. The content lives as long as the
// returned pointer or the site's fallback holds it.
std::shared_ptr<SiteContent> ServeContent(SampleSite& site, SiteConfig config);

} // namespace vorn::site
