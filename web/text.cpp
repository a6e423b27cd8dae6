#include "web/text.h"

#include <algorithm>

namespace vorn {

namespace {

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A position is a character boundary when the run of lead-range bytes just before it has even
// length: the byte before that run ends a character whatever it is, and a run of lead-range
// bytes can only pair up as lead + trail. This avoids walking the text from its start.
bool IsCharBoundary(std::string_view text, std::size_t pos) {
    std::size_t run = 0;
    while (run < pos && IsLeadByte(static_cast<unsigned char>(text[pos - run - 1]))) {
        ++run;
    }
    return run % 2 == 0;
}

std::size_t CharLength(std::string_view text, std::size_t pos) {
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// Which bytes of a marker may be compared without regard to case: single-byte characters only,
// never the trail byte of a two-byte character (trail bytes include the ASCII letter codes).
std::vector<bool> FoldableBytes(std::string_view marker) {
    std::vector<bool> foldable(marker.size(), false);
    for (std::size_t i = 0; i < marker.size(); i += CharLength(marker, i)) {
        foldable[i] = !IsLeadByte(static_cast<unsigned char>(marker[i]));
    }
    return foldable;
}

bool MatchesNoCase(std::string_view text, std::size_t pos, std::string_view marker,
                   const std::vector<bool>& foldable) {
    if (text.size() - pos < marker.size()) {
        return false;
    }
    for (std::size_t i = 0; i < marker.size(); ++i) {
        const char a = text[pos + i];
        const char b = marker[i];
        if (a != b && !(foldable[i] && FoldAscii(a) == FoldAscii(b))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string_view TrimView(std::string_view text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsTrimmed);
    const auto last = std::find_if_not(text.rbegin(), std::string_view::reverse_iterator(first), IsTrimmed);
    return std::string_view(first, last.base());
}

std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

std::string StripTags(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('<', pos);
        if (open == npos) {
            break;
        }
        const std::size_t close = text.find('>', open + 1);
        if (close == npos) {
            break; // no later "<" has a ">" after it either
        }
        out.append(text.substr(pos, open - pos));
        pos = close + 1;
    }
    if (pos < text.size()) {
        out.append(text.substr(pos));
    }
    return out;
}

std::string CleanText(std::string_view text) {
    return Trim(StripTags(text));
}

void SplitText(std::string_view text, std::string_view delimiter, std::vector<std::string>& out) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t found = FindText(text, delimiter, pos);
        if (found == npos) {
            out.emplace_back(text.substr(pos));
            return;
        }
        if (found > pos) {
            out.emplace_back(text.substr(pos, found - pos));
        }
        pos = found + delimiter.size();
    }
}

std::size_t FindText(std::string_view text, std::string_view marker, std::size_t from) {
    if (marker.empty()) {
        return npos;
    }
    for (std::size_t pos = text.find(marker, from); pos != npos; pos = text.find(marker, pos + 1)) {
        if (IsCharBoundary(text, pos)) {
            return pos;
        }
    }
    return npos;
}

bool ContainsText(std::string_view text, std::string_view marker) {
    return FindText(text, marker) != npos;
}

std::string_view TextFrom(std::string_view text, std::string_view marker) {
    const std::size_t pos = FindText(text, marker);
    return pos == npos ? std::string_view() : text.substr(pos);
}

std::string_view TextBefore(std::string_view text, std::string_view marker) {
    const std::size_t pos = FindText(text, marker);
    return pos == npos ? text : text.substr(0, pos);
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return std::string(text);
    }
    const std::vector<bool> foldable = FoldableBytes(from);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (MatchesNoCase(text, pos, from, foldable)) {
            out.append(to);
            pos += from.size();
        } else {
            const std::size_t length = CharLength(text, pos);
            out.append(text.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.starts_with(prefix);
}

} // namespace vorn
