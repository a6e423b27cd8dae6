#pragma once

#include <string>
#include <string_view>

// Line tests shared by the city and genre page parsers. Page lines are raw UTF-8; each test
// looks at the line without its leading and trailing blanks.
namespace vorn::refresh {

// "<sp..." holding c-definition-list-item-current: the current entry of one of the site's lists.
bool IsCurrentEntry(std::string_view line);
// "<sp..." holding u-color-light-gray: an entry the site shows in grey, without a link.
bool IsGreyEntry(std::string_view line);
// "<a ...": one link.
bool IsLinkLine(std::string_view line);
// Characters 2 to 4 are closingTag ("/ul", "/dd"): the line of a closing tag.
bool IsClosingLine(std::string_view line, std::string_view closingTag);

// The line's text in CP932: decoded strictly (a malformed line reads as empty), tags stripped,
// trimmed.
std::string LineText(std::string_view line);

// From the link line's first marker on, skipping skip bytes of it, up to the next double quote,
// trimmed. Empty when the marker or the closing quote is missing.
std::string LinkCode(std::string_view line, std::string_view marker, std::size_t skip);

} // namespace vorn::refresh
