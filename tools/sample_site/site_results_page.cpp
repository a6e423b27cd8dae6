#include "tools/sample_site/site_pages.h"
#include "tools/sample_site/site_tables.h"

namespace vorn::site {

namespace {

// One card: the picture link on a line of its own (that is the line the crawl reads), then the
// title, price and place.
std::string CardMarkup(const Listing& listing, const PageContext& page) {
    const std::string url = ListingUrl(listing, page);
    const std::string picture =
        listing.imageCount > 0 ? PhotoUrl(listing, 1, page) : page.baseUrl + "assets/noimage.png";
    std::string card = "<li class=\"p-articles-list-item\">\n";
    card += ItemLinkMarkup(url, "class=\"p-item-image\" src=\"" + picture + "\" alt=\"" +
                                    EscapeAttribute(listing.title) + "\" loading=\"lazy\"/");
    card += "<div class=\"p-item-detail\"><a class=\"p-item-title\" href=\"" + url + "\">" + listing.title +
            "</a><div class=\"p-item-price\">" + PriceMarkup(listing.price) + "</div><div class=\"p-item-place\">" +
            std::string(PrefectureAt(listing.prefecture).name) + " " + listing.cityName + "</div>";
    if (page.realistic) {
        card += "<div class=\"p-item-meta\"><span class=\"p-item-genre\">" + std::string(GenreAt(listing.genre).name) +
                "</span><span class=\"p-item-date\">" + listing.updated + "</span><span class=\"p-item-favorite\">" +
                std::to_string(listing.favourites) + "</span></div>";
    }
    return card + "</div>\n</li>\n";
}

} // namespace

std::string ResultTotalMarkup(std::string_view totalText) {
    return "<span class=\"p-articles-title-sub\">\n<span>全<!-- -->" + std::string(totalText) +
           "<!-- -->件</span>\n</span>\n";
}

std::string ItemLinkMarkup(std::string_view url, std::string_view imageAttributes) {
    return "<a class=\"p-item-image-link\" href=\"" + std::string(url) + "\"><img " + std::string(imageAttributes) +
           "></a>\n";
}

std::string RenderResultsPage(const ResultsPage& results, const PageContext& page) {
    std::string html = PageStart(results.heading, page) + HeaderLine(page);
    html += "<div class=\"p-articles-title\">\n<h1 class=\"p-articles-title-main\">" + results.heading + "</h1>\n";
    html += ResultTotalMarkup(WithThousands(results.total)) + "</div>\n";
    html += "<ul class=\"p-articles-list\">\n";
    for (const Listing& listing : results.listings) {
        html += CardMarkup(listing, page);
    }
    html += "</ul>\n";
    if (results.listings.empty()) {
        html += "<p class=\"p-articles-empty\">条件に一致する投稿はありませんでした。</p>\n";
    }
    if (!results.recommended.empty()) {
        html += "<div class=\"p-recommend\"><h2 class=\"p-recommend-title\">おすすめの投稿</h2>\n"
                "<ul class=\"p-articles-list\">\n";
        for (const Listing& listing : results.recommended) {
            html += CardMarkup(listing, page);
        }
        html += "</ul>\n</div>\n";
    }
    html += "<nav class=\"c-pagination\"><span class=\"c-pagination-current\">1</span></nav>\n";
    html += FooterMarkup(page);
    html += "</div><script id=\"__NEXT_DATA__\" type=\"application/json\">{\"props\":{\"pageProps\":{\"total\":" +
            std::to_string(results.total) + "}},\"page\":\"/search\",\"buildId\":\"vorn-sample\"}</script>\n";
    return html + "</body>\n</html>\n";
}

} // namespace vorn::site
