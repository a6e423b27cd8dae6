#include <cstdio>

#include "tools/sample_site/site_pages.h"
#include "tools/sample_site/site_tables.h"

namespace vorn::site {

namespace {

std::string Link(std::string_view href, std::string_view text) {
    return "<a href=\"" + std::string(href) + "\">" + std::string(text) + "</a>";
}

// The real pages carry every area and genre menu in their header; that is most of their weight
// besides the page data.
std::string MenuMarkup(const PageContext& page) {
    std::string menu = "<nav class=\"l-header-menu\"><ul class=\"l-header-areas\">";
    for (int p = 1; p <= kPrefectureCount; ++p) {
        const Prefecture& prefecture = PrefectureAt(p);
        menu += "<li class=\"l-header-menu-item\">" +
                Link(page.baseUrl + std::string(prefecture.alpha) + "/sale", prefecture.name) + "</li>";
    }
    menu += "</ul><ul class=\"l-header-genres\">";
    for (int g = 1; g <= kGenreCount; ++g) {
        const Genre& genre = GenreAt(g);
        const std::string genreUrl = page.baseUrl + "all/sale-" + std::string(genre.code);
        menu += "<li class=\"l-header-menu-item\">" + Link(genreUrl + "/g-all", genre.name) +
                "<ul class=\"l-header-submenu\">";
        for (const SubGenre& subGenre : SubGenresOf(g)) {
            menu +=
                "<li class=\"l-header-submenu-item\">" + Link(genreUrl + "/" + subGenre.key, subGenre.name) + "</li>";
        }
        menu += "</ul></li>";
    }
    return menu + "</ul></nav>";
}

} // namespace

std::string EscapeAttribute(std::string_view htmlText) {
    std::string escaped;
    for (const char c : htmlText) {
        escaped += c == '"' ? std::string("&quot;") : std::string(1, c);
    }
    return escaped;
}

std::string EscapeHtml(std::string_view plainText) {
    std::string escaped;
    for (const char c : plainText) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string EscapeJson(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += c;
        } else if (byte < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string PageStart(std::string_view title, const PageContext& page) {
    std::string start = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head><meta charSet=\"utf-8\"/><title>" +
                        std::string(title) +
                        " | Vorn</title><meta name=\"viewport\" content=\"width=device-width,initial-scale=1\"/>"
                        "<link rel=\"icon\" href=\"/favicon.ico\"/>";
    if (page.realistic) {
        for (const char* sheet : {"framework", "main", "pages/_app", "pages/article"}) {
            start += "<link rel=\"preload\" href=\"/_next/static/css/" + std::string(sheet) +
                     ".css\" as=\"style\"/><link rel=\"stylesheet\" href=\"/_next/static/css/" + sheet +
                     ".css\" data-n-g=\"\"/>";
        }
    }
    return start + "</head>\n<body>\n";
}

std::string HeaderLine(const PageContext& page) {
    std::string header = "<div id=\"__next\"><div class=\"l-wrapper\"><header class=\"l-header\">" +
                         Link(page.baseUrl, "<span class=\"l-header-logo\">Vorn</span>");
    if (page.realistic) {
        header += MenuMarkup(page);
    }
    return header + "</header><main class=\"l-main\">\n";
}

std::string FooterMarkup(const PageContext& page) {
    std::string footer = "</main><footer class=\"l-footer\"><ul class=\"l-footer-links\">";
    for (const char* item : {"help", "terms", "privacy", "company", "contact"}) {
        footer += "<li>" + Link(page.baseUrl + item, item) + "</li>";
    }
    if (page.realistic) {
        for (int p = 1; p <= kPrefectureCount; ++p) {
            const Prefecture& prefecture = PrefectureAt(p);
            footer += "<li class=\"l-footer-area\">" +
                      Link(page.baseUrl + std::string(prefecture.alpha) + "/sale-all/g-all",
                           std::string(prefecture.name) + "の売ります・あげます") +
                      "</li>";
        }
    }
    return footer + "</ul><p class=\"l-footer-copyright\">&copy; Vorn</p></footer></div>\n";
}

std::string PriceMarkup(const std::string& price) {
    const bool amount = !price.empty() && price.front() >= '0' && price.front() <= '9';
    return amount ? price + "<!-- -->円" : price;
}

} // namespace vorn::site
