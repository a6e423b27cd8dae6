// The CP932 text helpers on any text and marker. Input: marker, NUL, replacement, NUL, text.

#include "web/text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

using vorn::fuzz::Require;

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

// Character starts found by walking from the front, independently of how FindText decides.
std::vector<bool> CharacterStarts(std::string_view text) {
    std::vector<bool> starts(text.size() + 1, false);
    for (std::size_t i = 0; i < text.size(); i += vorn::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1) {
        starts[i] = true;
    }
    starts[text.size()] = true;
    return starts;
}

void CheckStripTags(std::string_view text) {
    const std::string stripped = vorn::StripTags(text);
    Require(stripped.size() <= text.size(), "StripTags never lengthens");
    const std::size_t open = stripped.find('<');
    Require(open == std::string::npos || stripped.find('>', open) == std::string::npos, "no tag survives StripTags");
    Require(vorn::StripTags(stripped) == stripped, "StripTags is idempotent");

    const std::string_view trimmed = vorn::TrimView(text);
    Require(trimmed.empty() ||
                (static_cast<unsigned char>(trimmed.front()) > 32 && static_cast<unsigned char>(trimmed.back()) > 32),
            "Trim leaves no control byte or space at either end");
}

void CheckFindText(std::string_view text, std::string_view marker) {
    const std::vector<bool> starts = CharacterStarts(text);
    for (const std::size_t from : {std::size_t{0}, text.size() / 3, text.size()}) {
        const std::size_t found = vorn::FindText(text, marker, from);
        std::size_t expected = vorn::npos;
        for (std::size_t pos = text.find(marker, from); !marker.empty() && pos != vorn::npos;
             pos = text.find(marker, pos + 1)) {
            if (starts[pos]) {
                expected = pos;
                break;
            }
        }
        Require(found == expected, "FindText finds the first match that starts a character");
    }
    Require(std::string(vorn::TextBefore(text, marker)) + std::string(vorn::TextFrom(text, marker)) == text,
            "the text before a marker and the text from it make the whole text");
}

void CheckSplitText(std::string_view text, std::string_view delimiter) {
    std::vector<std::string> pieces{"kept"};
    vorn::SplitText(text, delimiter, pieces);
    Require(!pieces.empty() && pieces.front() == "kept", "SplitText appends to the list");
    std::size_t cursor = 0;
    std::size_t total = 0;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        Require(!pieces[i].empty(), "SplitText gives no empty piece");
        cursor = text.find(pieces[i], cursor);
        Require(cursor != std::string_view::npos, "pieces come from the text, in order");
        cursor += pieces[i].size();
        total += pieces[i].size();
    }
    Require(total <= text.size(), "pieces never hold more than the text");
    if (!vorn::ContainsText(text, delimiter)) {
        Require(pieces.size() == (text.empty() ? 1u : 2u) && (text.empty() || pieces[1] == text),
                "a text without the delimiter is one piece");
    }
}

void CheckReplace(std::string_view text, std::string_view from, std::string_view to) {
    const std::string replaced = vorn::ReplaceAllNoCase(text, from, to);
    Require(LowerAscii(vorn::ReplaceAllNoCase(text, from, LowerAscii(from))) == LowerAscii(text),
            "replacing a marker by itself changes only letter case");
    const std::string removed = vorn::RemoveAllNoCase(text, from);
    Require(removed.size() <= text.size(), "removing never lengthens");
    if (!from.empty()) {
        Require((text.size() - removed.size()) % from.size() == 0, "removal takes whole markers");
        const std::size_t matches = (text.size() - removed.size()) / from.size();
        Require(replaced.size() == removed.size() + matches * to.size(), "every match gets the replacement");
    } else {
        Require(replaced == text, "an empty marker replaces nothing");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts = vorn::fuzz::SplitInput(data, size, 2);
    const std::string_view marker = parts[0];
    const std::string_view replacement = parts[1];
    const std::string_view text = parts[2];

    CheckStripTags(text);
    CheckFindText(text, marker);
    CheckSplitText(text, marker);
    CheckReplace(text, marker, replacement);
    return 0;
}
