#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/sample_site/site_listing.h"

// The sample site's pages as UTF-8 HTML with LF line ends.
namespace vorn::site {

struct PageContext {
    std::string baseUrl;    // "https://127.0.0.1:PORT/"
    bool realistic = false; // full navigation and page data, as the real pages weigh
};

// Where a results page links a listing: baseUrl + "article/ID", and for kLongAddress a query
// that makes the listing key ("://" + host + path + query) longer than 100 bytes.
std::string ListingUrl(const Listing& listing, const PageContext& page);
// Photograph k (from 1) as the listing page shows it (the small "thumb_s_" form).
std::string PhotoUrl(const Listing& listing, int k, const PageContext& page);

std::string RenderItemPage(const Listing& listing, const PageContext& page);

struct ResultsPage {
    std::string heading;              // HTML text
    int total = 0;                    // shown as 全N件
    std::vector<Listing> listings;    // one link line each, in order
    std::vector<Listing> recommended; // shown as item links below an empty result
};
std::string RenderResultsPage(const ResultsPage& results, const PageContext& page);

// The two kinds of line the crawl reads on a results page, as the site writes them: the result
// total (the marker line and the line after it), and one listing's picture link. Hand-made test
// pages are built from these too.
std::string ResultTotalMarkup(std::string_view totalText);
std::string ItemLinkMarkup(std::string_view url, std::string_view imageAttributes);

// Catalogue pages: prefecture 1..47 ("{alpha}/sale"), genre 1..20 ("all/sale-{code}").
std::string RenderAreaPage(int prefecture, const PageContext& page);
std::string RenderGenrePage(int genre, const PageContext& page);

// A small valid JPEG whose comment segment carries `label`, so each photograph is told apart.
std::string PhotoJpeg(std::string_view label);

// Shared markup.
std::string EscapeAttribute(std::string_view htmlText); // a raw '"' becomes &quot;
std::string EscapeHtml(std::string_view plainText);
std::string EscapeJson(std::string_view text);                          // without the surrounding quotes
// A price as the pages show it: an amount followed by "円", a word such as 応相談 alone.
std::string PriceMarkup(const std::string& price);
std::string PageStart(std::string_view title, const PageContext& page); // lines up to <body>
std::string HeaderLine(const PageContext& page);   // opens __next, the wrapper and main; the page closes __next
std::string FooterMarkup(const PageContext& page); // closes main and the wrapper

} // namespace vorn::site
