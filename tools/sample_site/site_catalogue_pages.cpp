#include <algorithm>

#include "tools/sample_site/site_pages.h"
#include "tools/sample_site/site_tables.h"

namespace vorn::site {

namespace {

constexpr const char* kCurrentItem = "<span class=\"c-definition-list-item-current\">";

std::string ListItem(const std::string& inner) { return "<li class=\"c-definition-list-item\">\n" + inner + "</li>\n"; }

std::string CityItem(const City& city, const Prefecture& prefecture, const PageContext& page) {
    if (!city.linked()) {
        return ListItem("<span class=\"u-color-light-gray\">\n" + city.name + "\n</span>\n");
    }
    return ListItem("<a href=\"" + page.baseUrl + std::string(prefecture.alpha) + "/sale/" + city.code + "\">" +
                    city.name + "</a>\n");
}

// The neighbours' cities further down: a second list with a current entry of its own.
std::string NeighbourList(int prefecture, const PageContext& page) {
    const int neighbour = prefecture % kPrefectureCount + 1;
    const Prefecture& other = PrefectureAt(neighbour);
    std::string list = "<dl class=\"c-definition-list\">\n<dt class=\"c-definition-list-title\">近くの地域</dt>\n"
                       "<dd class=\"c-definition-list-body\">\n<ul class=\"c-definition-list-items\">\n";
    list += ListItem(std::string(kCurrentItem) + std::string(other.name) + "</span>\n");
    int shown = 0;
    for (const City& city : CitiesOf(neighbour)) {
        if (city.linked() && shown++ < 2) {
            list += CityItem(city, other, page);
        }
    }
    return list + "</ul>\n</dd>\n</dl>\n";
}

} // namespace

std::string RenderAreaPage(int prefecture, const PageContext& page) {
    const Prefecture& area = PrefectureAt(prefecture);
    const std::string heading = std::string(area.name) + "の売ります・あげます";
    std::string html = PageStart(heading, page) + HeaderLine(page);
    html += "<h1 class=\"p-area-title\">" + heading + "</h1>\n";
    html += "<dl class=\"c-definition-list\">\n<dt class=\"c-definition-list-title\">地域</dt>\n"
            "<dd class=\"c-definition-list-body\">\n<ul class=\"c-definition-list-items\">\n";
    html += ListItem(std::string(kCurrentItem) + std::string(area.name) + "</span>\n");
    // A link to the whole prefecture sits in the list but names no city.
    html += ListItem("<a href=\"" + page.baseUrl + std::string(area.alpha) + "/sale\">すべての地域</a>\n");
    for (const City& city : ListedCitiesOf(prefecture)) {
        html += CityItem(city, area, page);
    }
    html += "</ul>\n</dd>\n</dl>\n";
    html += NeighbourList(prefecture, page);
    html += FooterMarkup(page) + "</div>\n</body>\n</html>\n";
    return html;
}

std::string RenderGenrePage(int genre, const PageContext& page) {
    const Genre& current = GenreAt(genre);
    const std::string genreUrl = page.baseUrl + "all/sale-" + std::string(current.code);
    const std::string heading = "全国の" + std::string(current.name) + "の売ります・あげます";
    std::string html = PageStart(heading, page) + HeaderLine(page);
    html += "<h1 class=\"p-genre-title\">" + heading + "</h1>\n<dl class=\"c-definition-list\">\n";
    // The area list comes first; its current entry is not the genre list.
    html += "<dt class=\"c-definition-list-title\">地域</dt>\n<dd class=\"c-definition-list-body\">\n";
    html += std::string(kCurrentItem) + "\n全国\n</span>\n";
    for (int p = 1; p <= 3; ++p) {
        html += "<a href=\"" + page.baseUrl + std::string(PrefectureAt(p).alpha) + "/sale-" +
                std::string(current.code) + "/g-all\">" + std::string(PrefectureAt(p).name) + "</a>\n";
    }
    html += "</dd>\n";
    // The sub-genres in two lists, each opening with the genre's "全ての" line: the first ends
    // with its dd, the second with its ul.
    const std::vector<SubGenre> subGenres = ListedSubGenresOf(genre);
    const std::size_t firstListSize = std::min<std::size_t>(subGenres.size(), 3);
    const std::string listTitle =
        std::string(kCurrentItem) + "\n<span>全ての" + std::string(current.name) + "</span>\n</span>\n";
    html += "<dt class=\"c-definition-list-title\">ジャンル</dt>\n<dd class=\"c-definition-list-body\">\n" + listTitle;
    html += "<a href=\"" + genreUrl + "\">" + std::string(current.name) + "をすべて見る</a>\n";
    for (std::size_t i = 0; i < subGenres.size(); ++i) {
        if (i == firstListSize) {
            html += "</dd>\n<dt class=\"c-definition-list-title\">その他</dt>\n"
                    "<dd class=\"c-definition-list-body\">\n<ul class=\"c-definition-list-items\">\n" +
                    listTitle;
        }
        html += "<li class=\"c-definition-list-item\">\n<a href=\"" + genreUrl + "/" + subGenres[i].key + "\">" +
                subGenres[i].name + "</a>\n</li>\n";
    }
    html += subGenres.size() > firstListSize ? "</ul>\n</dd>\n</dl>\n" : "</dd>\n</dl>\n";
    html += FooterMarkup(page) + "</div>\n</body>\n";
    // The page ends on a current entry with nothing after it.
    return html + std::string(kCurrentItem) + "</span></html>";
}

} // namespace vorn::site
