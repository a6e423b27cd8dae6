#include "catalogue/refresh/genre_page_parser.h"

#include "catalogue/refresh/refresh_lines.h"
#include "web/cp932.h"

namespace vorn {

std::vector<ParsedSubGenre> ParseGenrePage(const std::vector<std::string>& lines, const TopGenre& genre) {
    std::vector<ParsedSubGenre> subGenres;
    if (lines.empty()) {
        return subGenres;
    }
    const std::string listTitle = UTF8ToAnsi("全ての") + genre.name;
    const std::size_t lastLine = lines.size() - 1;
    int subId = 0;
    for (std::size_t n = 0; n < lastLine; ++n) {
        if (!refresh::IsCurrentEntry(lines[n]) || refresh::LineText(lines[n + 1]) != listTitle) {
            continue;
        }
        // The page's last line is never read as part of a list.
        for (std::size_t i = n + 2; i < lastLine; ++i) {
            const std::string& line = lines[i];
            if (refresh::IsLinkLine(line)) {
                const std::string path = refresh::LinkCode(line, "/g-", 0);
                if (path.empty()) {
                    continue;
                }
                subGenres.push_back({++subId, "sale-" + genre.code + path, refresh::LineText(line)});
            } else if (refresh::IsClosingLine(line, "/ul") || refresh::IsClosingLine(line, "/dd")) {
                break;
            }
        }
    }
    return subGenres;
}

} // namespace vorn
