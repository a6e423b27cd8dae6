#include "catalogue/refresh/refresh_lines.h"

#include "web/cp932.h"
#include "web/text.h"

namespace vorn::refresh {

namespace {

// Markers are ASCII and the line is still UTF-8, so a plain byte search is the right one here:
// a search at CP932 character boundaries could step over a marker that follows a UTF-8 byte.
bool Contains(std::string_view line, std::string_view marker) { return line.find(marker) != std::string_view::npos; }

} // namespace

bool IsCurrentEntry(std::string_view line) {
    return StartsWith(TrimView(line), "<sp") && Contains(line, "c-definition-list-item-current");
}

bool IsGreyEntry(std::string_view line) {
    return StartsWith(TrimView(line), "<sp") && Contains(line, "u-color-light-gray");
}

bool IsLinkLine(std::string_view line) { return StartsWith(TrimView(line), "<a "); }

bool IsClosingLine(std::string_view line, std::string_view closingTag) {
    const std::string_view trimmed = TrimView(line);
    return trimmed.size() >= 1 + closingTag.size() && trimmed.substr(1, closingTag.size()) == closingTag;
}

std::string LineText(std::string_view line) { return CleanText(Utf8LineToAnsiStrict(TrimView(line))); }

std::string LinkCode(std::string_view line, std::string_view marker, std::size_t skip) {
    const std::string text = Utf8LineToAnsiStrict(TrimView(line));
    const std::size_t markerAt = FindText(text, marker);
    if (markerAt == npos) {
        return {};
    }
    const std::string_view rest = std::string_view(text).substr(markerAt + skip);
    const std::size_t quoteAt = FindText(rest, "\"");
    if (quoteAt == npos) {
        return {};
    }
    return Trim(rest.substr(0, quoteAt));
}

} // namespace vorn::refresh
