#include "catalogue/refresh/refresh_site.h"

#include "web/fetch_page.h"
#include "web/page_lines.h"

namespace vorn {

std::string CataloguePageUrl(const RefreshSite& site, std::string_view path) {
    std::string url = site.baseUrl;
    if (url.empty() || url.back() != '/') {
        url += '/';
    }
    url += path;
    return url;
}

bool FetchCataloguePage(const RefreshSite& site, const std::string& url, std::vector<std::string>& lines) {
    lines.clear();
    std::string page;
    const FetchResult result = FetchPage(url, site.scratchFile, page);
    const bool served = result.bodyWritten() && result.httpStatus >= 200 && result.httpStatus < 300;
    if (!served) {
        return false;
    }
    SplitPageLines(page, lines);
    return true;
}

} // namespace vorn
