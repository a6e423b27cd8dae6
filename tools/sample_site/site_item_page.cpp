#include <cstdio>

#include "tools/sample_site/site_pages.h"
#include "tools/sample_site/site_tables.h"

namespace vorn::site {

namespace {

// Heavy pages reach this size with related listings in their page data.
constexpr std::size_t kRealisticItemPageBytes = 110 * 1024;

std::string Row(std::string_view label, const std::string& value) {
    return "<tr><td class=\"p-article-info-label\">" + std::string(label) + "</td><td>" + value + "</td></tr>";
}

std::string ImagesMarkup(const Listing& listing, const PageContext& page) {
    std::string images = "<div class=\"p-article-images\">";
    if (listing.imageCount == 0) {
        images += "<img class=\"p-article-image\" src=\"" + page.baseUrl + "assets/noimage.png\" alt=\"\"/>";
    }
    for (int k = 1; k <= listing.imageCount; ++k) {
        images += "<img class=\"p-article-image\" src=\"" + PhotoUrl(listing, k, page) + "\" alt=\"" +
                  EscapeAttribute(listing.title) + "\" loading=\"lazy\"/>";
    }
    return images + "</div>";
}

std::string TableMarkup(const Listing& listing, const PageContext& page) {
    const Genre& genre = GenreAt(listing.genre);
    const std::string genreUrl = page.baseUrl + "all/sale-" + std::string(genre.code);
    const std::string place = "<div>" + std::string(PrefectureAt(listing.prefecture).name) + "</div><div>" +
                              listing.cityName + "</div><div>" + listing.spot + "</div>";
    return "<table><tbody>" + Row("価格", "<span class=\"p-article-price\">" + PriceMarkup(listing.price) + "</span>") +
           Row((listing.traits & kHandoverPlace) ? "受け渡し場所" : "取引場所", place) +
           Row("ジャンル", "<a href=\"" + genreUrl + "/g-all\">" + std::string(genre.name) +
                               "</a><!-- --> &gt; <!-- --><a href=\"" + genreUrl + "/" + listing.subGenreKey + "\">" +
                               listing.subGenreName + "</a>") +
           Row("状態", "中古") + "</tbody></table>";
}

std::string ContactMarkup(const Listing& listing) {
    std::string contact = "<div class=\"p-article-contact\">";
    if (listing.traits & kNoPoster) {
        contact += "<p class=\"c-notice\">この投稿者は退会しました</p>";
    } else if (listing.traits & kEnquiriesClosed) {
        contact += "<p class=\"c-notice\">お問い合わせの受付は<br/>終了いたしました。</p>";
    } else {
        contact += "<a class=\"c-button\" href=\"/article/" + std::to_string(listing.articleId) +
                   "/contact\">投稿者にメールで問い合わせ</a>";
    }
    return contact + "</div>";
}

std::string PosterMarkup(const Listing& listing, const PageContext& page) {
    if (listing.traits & kNoPoster) {
        return "<div class=\"p-article-user\"><div class=\"p-user-withdrawn\">退会済みのユーザー</div></div>";
    }
    const std::string profile = std::to_string(listing.profileId);
    std::string gender;
    if (listing.gender == Gender::Male) {
        gender = "<span>男性</span>";
    } else if (listing.gender == Gender::Female) {
        gender = "<span>女性</span>";
    }
    std::string verifications;
    for (const std::string& verification : listing.verifications) {
        verifications += "<div class=\"c-verified\"><span>" + verification + "</span></div>";
    }
    return "<div class=\"p-article-user\"><div class=\"p-article-user-heading\">投稿者</div>"
           "<a class=\"p-user-link\" href=\"/profiles/" +
           profile + "\"><img class=\"p-user-avatar\" src=\"" + page.baseUrl + "users/images/" + profile +
           "/avatar.jpg\" alt=\"\"/><span class=\"p-user-name\">" + listing.posterName +
           "</span></a></div><div><div class=\"p-user-attrs\">" + gender +
           "<span>30代</span></div><div class=\"p-user-stats\"><div>投稿：<!-- -->" +
           std::to_string(listing.postCount) + "</div><div>評価：<!-- -->" + std::to_string(listing.goodRatings) +
           "</div></div><div class=\"p-user-verifications\">" + verifications +
           "<a class=\"p-user-verify-help\" href=\"/help/verification\"><span>認証とは</span></a></div>"
           "<div class=\"p-user-intro\">" +
           listing.introduction +
           "</div><svg class=\"c-icon\" viewBox=\"0 0 24 24\"><path d=\"M8 5l8 7-8 7\"></path></svg></div></div>";
}

std::string ArticleJson(const Listing& listing, const PageContext& page) {
    std::string json = "{\"id\":" + std::to_string(listing.articleId) + ",\"post_id\":\"" + EscapeJson(listing.postId) +
                       "\",\"title\":\"" + EscapeJson(listing.title) +
                       "\",\"favorite_user_count\":" + std::to_string(listing.favourites) + ",\"prefecture\":\"" +
                       std::string(PrefectureAt(listing.prefecture).name) +
                       "\",\"image_count\":" + std::to_string(listing.imageCount) + ",\"user\":";
    if (listing.traits & kNoPoster) {
        json += "null";
    } else {
        json += "{\"id\":" + std::to_string(listing.profileId) + ",\"nickname\":\"" + EscapeJson(listing.posterName) +
                "\",\"evaluations\":{\"good_evaluation_count\":" + std::to_string(listing.goodRatings) +
                "},\"normal_evaluation_count\":" + std::to_string(listing.normalRatings) +
                ",\"bad_evaluation_count\":" + std::to_string(listing.badRatings) +
                ",\"posts_count\":" + std::to_string(listing.postCount) + "}";
    }
    json += ",\"url\":\"" + EscapeJson(page.baseUrl) + "article/" + std::to_string(listing.articleId) + "\"}";
    return json;
}

// Other listings the real page data carries; they come after the listing's own counts.
std::string RelatedJson(long articleId, int index, const PageContext& page) {
    const long id = articleId + 7919L * (index + 1);
    return "{\"id\":" + std::to_string(id) + ",\"title\":\"関連する投稿 " + std::to_string(index + 1) +
           "\",\"price\":" + std::to_string(500 + index * 100) +
           ",\"favorite_user_count\":" + std::to_string(index % 17) + ",\"thumbnail\":\"" + EscapeJson(page.baseUrl) +
           "articles/images/" + std::to_string(id) +
           "/thumb_s_1.jpg\",\"prefecture_id\":" + std::to_string(1 + index % 47) + "}";
}

std::string PageDataLine(const Listing& listing, const PageContext& page, std::size_t bytesSoFar) {
    const std::string head = "<script id=\"__NEXT_DATA__\" type=\"application/json\">{\"props\":{\"pageProps\":{"
                             "\"article\":" +
                             ArticleJson(listing, page) + ",\"relatedArticles\":[";
    const std::string tail = "]}},\"page\":\"/article/[id]\",\"query\":{\"id\":\"" + std::to_string(listing.articleId) +
                             "\"},\"buildId\":\"vorn-sample\",\"isFallback\":false,\"gssp\":true}</script>\n";
    std::string related;
    const std::size_t fixed = bytesSoFar + head.size() + tail.size() + 16;
    for (int index = 0; page.realistic ? fixed + related.size() < kRealisticItemPageBytes : index < 2; ++index) {
        related += (index > 0 ? "," : "") + RelatedJson(listing.articleId, index, page);
    }
    return head + related + tail;
}

} // namespace

std::string ListingUrl(const Listing& listing, const PageContext& page) {
    std::string url = page.baseUrl + "article/" + std::to_string(listing.articleId);
    if (listing.traits & kLongAddress) {
        url += "?from=search_results&sort=newest&position=" + std::to_string(listing.number) +
               "&utm_source=vorn&utm_medium=listing&utm_campaign=spring_clearance_sale_2024";
    }
    return url;
}

std::string PhotoUrl(const Listing& listing, int k, const PageContext& page) {
    return page.baseUrl + "articles/images/" + std::to_string(listing.articleId) + "/thumb_s_" + std::to_string(k) +
           ".jpg";
}

std::string RenderItemPage(const Listing& listing, const PageContext& page) {
    std::string html = PageStart(listing.title, page) + HeaderLine(page);
    html += "<div class=\"p-article\"><nav class=\"c-breadcrumb\"><a href=\"" + page.baseUrl + "\">トップ</a> &gt; " +
            std::string(PrefectureAt(listing.prefecture).name) + "</nav>\n";
    html += "<h1 class=\"p-article-title\">" + listing.title +
            "<span class=\"p-article-id\">（投稿ID :" + listing.postId +
            "）</span></h1><div class=\"p-article-dates\"><div class=\"p-article-date\">更新<!-- -->" +
            listing.updated + "</div><div class=\"p-article-date\">作成<!-- -->" + listing.created + "</div></div>" +
            ImagesMarkup(listing, page) +
            "<div class=\"p-article-share\"><iframe src=\"about:blank\" title=\"share\"></iframe></div>"
            "<div class=\"p-article-text\">";
    // The description keeps the poster's line breaks as page lines.
    for (std::size_t i = 0; i < listing.descriptionLines.size(); ++i) {
        html += (i > 0 ? "<br/>\n" : "") + listing.descriptionLines[i];
    }
    html += "\n</div>" + TableMarkup(listing, page) + ContactMarkup(listing) + PosterMarkup(listing, page) + "</div>\n";
    html += "<script>window.vornAds=window.vornAds||[];window.vornAds.push({slot:\"article\"});</script>\n";
    html += FooterMarkup(page);
    if (listing.traits & kNoPageData) {
        html += "</div>\n";
    } else {
        html += "</div>";
    }
    html += PageDataLine(listing, page, html.size());
    return html + "</body>\n</html>\n";
}

} // namespace vorn::site
