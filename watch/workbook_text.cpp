#include "watch/workbook_text.h"

#include <cstdint>
#include <cstdio>

#include <unicode/utf8.h>

namespace vorn {

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// "_x" followed by four hexadecimal digits and "_", starting at at.
bool IsEscapeAt(std::string_view text, std::size_t at) {
    if (text.size() - at < 7 || text[at] != '_' || (text[at + 1] != 'x' && text[at + 1] != 'X') ||
        text[at + 6] != '_') {
        return false;
    }
    return IsHexDigit(text[at + 2]) && IsHexDigit(text[at + 3]) && IsHexDigit(text[at + 4]) && IsHexDigit(text[at + 5]);
}

// The C0 controls but tab and line feed are the library's to write; it leaves these as they are.
bool NeedsEscape(UChar32 c) {
    return c == 0x7F || (c >= 0x80 && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

void AppendEscape(std::string& out, std::uint32_t unit) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "_x%04X_", static_cast<unsigned>(unit));
    out += escape;
}

} // namespace

std::string WorkbookCellText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const auto length = static_cast<int32_t>(utf8.size());
    for (int32_t at = 0; at < length;) {
        const int32_t start = at;
        if (IsEscapeAt(utf8, static_cast<std::size_t>(at))) {
            AppendEscape(out, '_');
            ++at;
            continue;
        }
        UChar32 c = 0;
        U8_NEXT(utf8.data(), at, length, c);
        if (c < 0) {
            out += "\xEF\xBF\xBD";
        } else if (!NeedsEscape(c)) {
            out.append(utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)));
        } else if (c <= 0xFFFF) {
            AppendEscape(out, static_cast<std::uint32_t>(c));
        } else {
            // The form holds UTF-16 units: a character beyond them takes two.
            AppendEscape(out, U16_LEAD(c));
            AppendEscape(out, U16_TRAIL(c));
        }
    }
    return out;
}

} // namespace vorn
