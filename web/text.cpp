#include "web/text.h"

#include <algorithm>

#include "web/cp932.h"

namespace vorn {

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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

// Compares marker with the text at pos. Only single-byte characters of the marker are compared
// without regard to case, never the trail byte of a two-byte character (trail bytes include
// the ASCII letter codes).
bool MatchesNoCase(std::string_view text, std::size_t pos, std::string_view marker) {
    if (text.size() - pos < marker.size()) {
        return false;
    }
    std::size_t i = 0;
    while (i < marker.size()) {
        const std::size_t length = CharLength(marker, i);
        if (length == 2 || IsLeadByte(static_cast<unsigned char>(marker[i]))) {
            if (text.compare(pos + i, length, marker, i, length) != 0) {
                return false;
            }
        } else if (FoldAscii(text[pos + i]) != FoldAscii(marker[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

char OtherCase(char c) {
    if (c >= 'A' && c <= 'Z') {
        return static_cast<char>(c - 'A' + 'a');
    }
    if (c >= 'a' && c <= 'z') {
        return static_cast<char>(c - 'a' + 'A');
    }
    return c;
}

// Finds the matches of a marker in a text from left to right. Only bytes that can start a match
// are looked at, found with memchr (each of the two letter cases searched again only once its
// last answer has been passed), and whether such a byte starts a character is told from the
// lead-range bytes before it, back to the last known character start at most. No byte is looked
// at twice, so a search stays linear however the text is made.
class NoCaseMatchFinder {
public:
    NoCaseMatchFinder(std::string_view text, std::string_view marker)
        : text_(text), marker_(marker), first_(marker.front()), otherCase_(OtherCase(first_)),
          nextFirst_(text.find(first_)), nextOther_(otherCase_ == first_ ? npos : text.find(otherCase_)) {}

    // The first match at or after pos, which must be a character start; npos when there is none.
    std::size_t Next(std::size_t pos) {
        while (pos < text_.size()) {
            const std::size_t candidate = NextFirstByte(pos);
            if (candidate == npos) {
                return npos;
            }
            std::size_t leadRun = 0;
            while (candidate - leadRun > pos &&
                   IsLeadByte(static_cast<unsigned char>(text_[candidate - leadRun - 1]))) {
                ++leadRun;
            }
            if (leadRun % 2 == 1) {
                pos = candidate + 1; // a trail byte: the byte after it starts a character
            } else if (MatchesNoCase(text_, candidate, marker_)) {
                return candidate;
            } else {
                pos = candidate + CharLength(text_, candidate);
            }
        }
        return npos;
    }

private:
    std::size_t NextFirstByte(std::size_t pos) {
        if (nextFirst_ < pos) {
            nextFirst_ = text_.find(first_, pos);
        }
        if (otherCase_ == first_) {
            return nextFirst_;
        }
        if (nextOther_ < pos) {
            nextOther_ = text_.find(otherCase_, pos);
        }
        return std::min(nextFirst_, nextOther_);
    }

    std::string_view text_;
    std::string_view marker_;
    char first_;
    char otherCase_;
    std::size_t nextFirst_; // npos once the byte is known to be absent from there on
    std::size_t nextOther_;
};

} // namespace

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::string_view TrimView(std::string_view text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsTrimmed);
    const auto last = std::find_if_not(text.rbegin(), std::string_view::reverse_iterator(first), IsTrimmed);
    return std::string_view(first, last.base());
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

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

std::string CleanText(std::string_view text) { return Trim(StripTags(text)); }

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

bool ContainsText(std::string_view text, std::string_view marker) { return FindText(text, marker) != npos; }

std::string_view TextFrom(std::string_view text, std::string_view marker) {
    const std::size_t pos = FindText(text, marker);
    return pos == npos ? std::string_view() : text.substr(pos);
}

std::string_view TextBefore(std::string_view text, std::string_view marker) {
    const std::size_t pos = FindText(text, marker);
    return pos == npos ? text : text.substr(0, pos);
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to) {
    std::string out(text);
    ReplaceAllNoCaseInPlace(out, from, to);
    return out;
}

bool ReplaceAllNoCaseInPlace(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return false;
    }
    NoCaseMatchFinder matches(text, from);
    std::size_t match = matches.Next(0);
    if (match == npos) {
        return false;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (match != npos) {
        out.append(text, pos, match - pos);
        out.append(to);
        pos = match + from.size();
        match = matches.Next(pos);
    }
    out.append(text, pos);
    text.swap(out);
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.starts_with(prefix); }

std::string ProgressCountText(int done, int total) {
    static const std::string counted = UTF8ToAnsi("件/");
    static const std::string reading = UTF8ToAnsi("件 取得中...");
    return std::to_string(done) + counted + std::to_string(total) + reading;
}

} // namespace vorn
