#include "tools/sample_site/site_content.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_pages.h"
#include "tools/sample_site/site_tables.h"

namespace vorn::site {

namespace {

constexpr int kRecommendedCount = 3;

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> segments;
    if (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('/', start);
        segments.emplace_back(
            path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        if (slash == std::string_view::npos) {
            return segments;
        }
        start = slash + 1;
    }
}

bool IsNumber(std::string_view text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::string_view After(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix ? text.substr(prefix.size()) : std::string_view();
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The keyword of "keyword=..." as the user typed it ("+" and %XX decoded); empty without one.
std::string KeywordOf(std::string_view query) {
    const std::string_view encoded = After(query, "keyword=");
    std::string keyword;
    for (std::size_t i = 0; i < encoded.size() && encoded[i] != '&'; ++i) {
        if (encoded[i] == '+') {
            keyword += ' ';
        } else if (encoded[i] == '%' && i + 2 < encoded.size() && HexValue(encoded[i + 1]) >= 0 &&
                   HexValue(encoded[i + 2]) >= 0) {
            keyword += static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
            i += 2;
        } else {
            keyword += encoded[i];
        }
    }
    return keyword;
}

SiteResponse HtmlPage(std::string body) {
    SiteResponse response;
    response.body = std::move(body);
    return response;
}

SiteResponse Photo(const std::string& path) {
    SiteResponse response;
    response.contentType = "image/jpeg";
    response.body = PhotoJpeg(path);
    return response;
}

bool IsPhotoName(std::string_view name) {
    std::string_view number = After(name, "thumb_s_");
    if (number.empty()) {
        number = After(name, "thumb_");
    }
    const std::size_t dot = number.rfind(".jpg");
    return dot != std::string_view::npos && dot + 4 == number.size() && IsNumber(number.substr(0, dot));
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The markup a redesign changes: the two classes a results page is read by, the heading of a
// listing page.
void RedesignResults(SiteResponse& page) {
    ReplaceAll(page.body, "p-articles-title-sub", "c-search-summary");
    ReplaceAll(page.body, "p-item-image-link", "c-card-link");
}

void RedesignListing(SiteResponse& page) {
    ReplaceAll(page.body, "<h1", "<div role=\"heading\"");
    ReplaceAll(page.body, "</h1>", "</div>");
}

SiteResponse FaultAnswer(PageFault fault, std::optional<SiteResponse> page) {
    if (fault == PageFault::ServerError) {
        SiteResponse error =
            HtmlPage("<!DOCTYPE html>\n<html><body><h1>500 Internal Server Error</h1></body></html>\n");
        error.status = 500;
        return error;
    }
    SiteResponse answer = page ? std::move(*page) : HtmlPage("<!DOCTYPE html>\n<html><body></body></html>\n");
    answer.fault = fault == PageFault::CutOff ? SiteResponse::Fault::CutOff : SiteResponse::Fault::DropConnection;
    return answer;
}

} // namespace

std::uint32_t SearchHash(std::string_view searchKey) {
    std::uint32_t hash = 2166136261u;
    for (const char c : searchKey) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

SiteContent::SiteContent(SiteConfig config)
    : config_(std::move(config)), market_(config_.seed, std::max(config_.listingCount, 0), config_.day) {
    config_.listingCount = std::max(config_.listingCount, 0);
    config_.linksPerSearch = std::clamp(config_.linksPerSearch, 0, config_.listingCount);
    if (config_.baseUrl.empty() || config_.baseUrl.back() != '/') {
        config_.baseUrl += '/';
    }
    prices_ = market_.prices();
    closed_ = market_.closed();
    for (const auto& [again, before] : market_.reposts()) {
        const Listing first = MakeListing(config_.seed, before);
        titles_[again] = first.title;
        posters_[again] = {first.profileId, first.posterName};
    }
}

void SiteContent::SetSearch(const std::string& searchKey, SearchSetup setup) {
    const std::lock_guard lock(mutex_);
    searches_[searchKey] = std::move(setup);
}

void SiteContent::SetFault(const std::string& pathAndQuery, PageFault fault) {
    const std::lock_guard lock(mutex_);
    faults_[pathAndQuery] = fault;
}

void SiteContent::ClearFault(const std::string& pathAndQuery) {
    const std::lock_guard lock(mutex_);
    faults_.erase(pathAndQuery);
}

SearchSetup SiteContent::SearchOf(std::string_view searchKey) const {
    {
        const std::lock_guard lock(mutex_);
        const auto found = searches_.find(searchKey);
        if (found != searches_.end()) {
            SearchSetup setup = found->second;
            setup.total = setup.total.value_or(static_cast<int>(setup.listings.size()));
            return setup;
        }
    }
    SearchSetup setup;
    if (config_.listingCount == 0) {
        setup.total = 0;
        return setup;
    }
    const std::uint32_t first = searchKey == "all/sale-all/g-all"
                                    ? 0
                                    : SearchHash(searchKey) % static_cast<std::uint32_t>(config_.listingCount);
    for (int i = 0; i < config_.linksPerSearch; ++i) {
        setup.listings.push_back(static_cast<int>((first + i) % config_.listingCount) + 1);
    }
    setup.listings = market_.Shown(setup.listings);
    setup.total = static_cast<int>(setup.listings.size());
    return setup;
}

void SiteContent::SetTitle(int number, std::string title) {
    const std::lock_guard lock(mutex_);
    titles_[number] = std::move(title);
}

void SiteContent::SetPrice(int number, std::string price) {
    const std::lock_guard lock(mutex_);
    prices_[number] = std::move(price);
}

void SiteContent::SetDescription(int number, std::vector<std::string> lines) {
    const std::lock_guard lock(mutex_);
    descriptions_[number] = std::move(lines);
}

void SiteContent::SetPoster(int number, long profileId, std::string name) {
    const std::lock_guard lock(mutex_);
    posters_[number] = {profileId, std::move(name)};
}

void SiteContent::SetClosed(int number, bool closed) {
    const std::lock_guard lock(mutex_);
    closed_[number] = closed;
}

Listing SiteContent::ListingAt(int number) const {
    Listing listing = MakeListing(config_.seed, number);
    const std::lock_guard lock(mutex_);
    const auto title = titles_.find(number);
    if (title != titles_.end()) {
        listing.title = title->second;
    }
    if (const auto price = prices_.find(number); price != prices_.end()) {
        listing.price = price->second;
    }
    if (const auto description = descriptions_.find(number); description != descriptions_.end()) {
        listing.descriptionLines = description->second;
    }
    if (const auto poster = posters_.find(number); poster != posters_.end()) {
        std::tie(listing.profileId, listing.posterName) = poster->second;
    }
    if (const auto closed = closed_.find(number); closed != closed_.end()) {
        listing.traits = closed->second ? listing.traits | kEnquiriesClosed : listing.traits & ~kEnquiriesClosed;
    }
    return listing;
}

std::string SiteContent::ListingUrl(int number) const {
    return site::ListingUrl(ListingAt(number), {config_.baseUrl, config_.realisticSize});
}

std::optional<PageFault> SiteContent::FaultFor(const std::string& path, const std::string& query) const {
    const std::string key = path.substr(path.starts_with('/') ? 1 : 0);
    const std::lock_guard lock(mutex_);
    if (!query.empty()) {
        const auto exact = faults_.find(key + "?" + query);
        if (exact != faults_.end()) {
            return exact->second;
        }
    }
    const auto any = faults_.find(key);
    if (any != faults_.end() && any->second != PageFault::None) {
        return any->second;
    }
    return std::nullopt;
}

std::optional<SiteResponse> SiteContent::Respond(const std::string& path, const std::string& query) const {
    const std::vector<std::string> segments = SplitPath(path);
    const std::string searchKey = path.substr(path.starts_with('/') ? 1 : 0) + (query.empty() ? "" : "?" + query);
    const PageContext page{config_.baseUrl, config_.realisticSize};
    std::optional<SiteResponse> answer;
    bool listingPage = false;
    bool resultsPage = false;
    if (std::any_of(segments.begin(), segments.end(), [](const std::string& s) { return s.empty(); })) {
        answer = std::nullopt;
    } else if (segments.size() == 2 && segments[0] == "article") {
        answer = ListingPage(segments[1]);
        listingPage = true;
    } else if (segments.size() == 4 && (segments[0] == "articles" || segments[0] == "users") &&
               segments[1] == "images" && (IsPhotoName(segments[3]) || segments[3] == "avatar.jpg")) {
        answer = Photo(path);
    } else if (segments.size() == 2 && segments[1] == "sale" && PrefectureNumber(segments[0]) > 0) {
        answer = HtmlPage(RenderAreaPage(PrefectureNumber(segments[0]), page));
    } else if (segments.size() == 2 && segments[0] == "all" && GenreNumber(After(segments[1], "sale-")) > 0) {
        answer = HtmlPage(RenderGenrePage(GenreNumber(After(segments[1], "sale-")), page));
    } else if (segments.size() == 3 || segments.size() == 4) {
        answer = SearchResults(segments, searchKey, query);
        resultsPage = true;
    }
    const std::optional<PageFault> fault = FaultFor(path, query);
    const bool redesigned = fault == PageFault::Redesigned;
    if (answer && listingPage && (redesigned || config_.redesignedListings)) {
        RedesignListing(*answer);
    } else if (answer && resultsPage && (redesigned || config_.redesignedResults)) {
        RedesignResults(*answer);
    }
    if (fault && *fault != PageFault::None && !redesigned) {
        return FaultAnswer(*fault, std::move(answer));
    }
    return answer;
}

std::optional<SiteResponse> SiteContent::SearchResults(const std::vector<std::string>& segments,
                                                       const std::string& searchKey, const std::string& query) const {
    const bool nationwide = segments[0] == "all";
    const int prefecture = PrefectureNumber(segments[0]);
    const std::string_view genreCode = After(segments[1], "sale-");
    const int genre = GenreNumber(genreCode);
    const std::string_view sub = After(segments[2], "g-");
    const bool validGenre = genreCode == "all" ? sub == "all" : genre > 0 && (sub == "all" || IsNumber(sub));
    const std::string_view city = segments.size() == 4 ? After(segments[3], "a-") : "";
    const bool validCity = segments.size() == 3 || (prefecture > 0 && IsNumber(city));
    if ((!nationwide && prefecture == 0) || !validGenre || !validCity) {
        return std::nullopt;
    }

    std::string heading = nationwide ? "全国" : std::string(PrefectureAt(prefecture).name);
    if (segments.size() == 4) {
        const std::vector<City> cities = ListedCitiesOf(prefecture);
        const auto known =
            std::find_if(cities.begin(), cities.end(), [&](const City& c) { return c.code == segments[3]; });
        heading += known != cities.end() ? known->name : "";
    }
    heading +=
        "の" + (genre > 0 ? std::string(GenreAt(genre).name) : std::string("全ジャンル")) + "の売ります・あげます";
    const std::string keyword = KeywordOf(query);
    if (!keyword.empty()) {
        heading = "「" + EscapeHtml(keyword) + "」の検索結果 - " + heading;
    }

    const SearchSetup setup = SearchOf(searchKey);
    ResultsPage results;
    results.heading = heading;
    results.total = setup.total.value_or(0);
    for (const int number : setup.listings) {
        results.listings.push_back(ListingAt(number));
    }
    if (results.total == 0) {
        for (int number = 1; number <= std::min(kRecommendedCount, config_.listingCount); ++number) {
            results.recommended.push_back(ListingAt(number));
        }
    }
    return HtmlPage(RenderResultsPage(results, {config_.baseUrl, config_.realisticSize}));
}

std::optional<SiteResponse> SiteContent::ListingPage(std::string_view articleId) const {
    if (!IsNumber(articleId)) {
        return std::nullopt;
    }
    const long number = std::stol(std::string(articleId)) - ArticleIdOf(0);
    if (number < 1 || number > market_.lastNumber()) {
        return std::nullopt;
    }
    return HtmlPage(RenderItemPage(ListingAt(static_cast<int>(number)), {config_.baseUrl, config_.realisticSize}));
}

std::shared_ptr<SiteContent> ServeContent(SampleSite& site, SiteConfig config) {
    config.baseUrl = site.baseUrl();
    auto content = std::make_shared<SiteContent>(std::move(config));
    site.SetFallback(
        [content](const std::string& path, const std::string& query) { return content->Respond(path, query); });
    return content;
}

} // namespace vorn::site
