#include "crawl/search_plan.h"

#include <charconv>
#include <stdexcept>

#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

bool KeptAsIs(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    switch (c) {
    case '!':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '-':
    case '.':
    case '@':
    case '_':
        return true;
    default:
        return false;
    }
}

std::string TrimmedItemText(const std::vector<std::string>& texts, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= texts.size()) {
        return {};
    }
    return Trim(texts[static_cast<std::size_t>(index)]);
}

} // namespace

std::string KeywordQuery(std::string_view keywordCp932) { return KeywordQueryUtf8(AnsiToUtf8(TrimView(keywordCp932))); }

std::string KeywordQueryUtf8(std::string_view keywordUtf8) {
    // Bytes up to 32 are ASCII in both encodings: the same trimming as in CP932.
    const std::string_view keyword = TrimView(keywordUtf8);
    if (keyword.empty()) {
        return {};
    }
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string query = "?keyword=";
    for (const char ch : keyword) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeptAsIs(c)) {
            query += ch;
        } else if (c == ' ') {
            query += '+';
        } else {
            query += '%';
            query += kHexDigits[c >> 4];
            query += kHexDigits[c & 0x0F];
        }
    }
    return query;
}

std::string AreaLabel(const CrawlSelection& selection, int areaIndex) {
    static const std::string nationwide = UTF8ToAnsi("全国 - ");
    if (areaIndex == -1) {
        return nationwide;
    }
    std::string label;
    if (selection.areaComboIndex > 0) {
        label = Trim(selection.areaComboText);
    }
    label += TrimmedItemText(selection.areaTexts, areaIndex);
    label += " - ";
    return label;
}

GenrePart GenrePartFor(const CrawlSelection& selection, std::string_view entry) {
    static const std::string allGenresLabel = UTF8ToAnsi("全ジャンル");
    const int index = EntryNumber(entry);
    if (index == -1) {
        return {"sale-all/g-all", allGenresLabel};
    }
    // The window builds the entries from the tree it shows, so a missing node is a broken run.
    if (index < 0 || static_cast<std::size_t>(index) >= selection.genreNodes.size()) {
        throw std::out_of_range("genre node " + std::to_string(index) + " does not exist");
    }
    const GenreNode& node = selection.genreNodes[static_cast<std::size_t>(index)];
    return {Trim(node.code), Trim(node.text)};
}

std::string SearchPath(std::string_view areaPath, std::string_view genrePath) {
    const std::size_t comma = areaPath.find(',');
    std::string path;
    if (comma == std::string_view::npos) {
        path.append(areaPath).append("/").append(genrePath);
    } else {
        // The site wants the city after the genre: tokyo/sale-fur/g-all/a-123.
        path.append(areaPath.substr(0, comma)).append("/").append(genrePath).append("/");
        path.append(areaPath.substr(comma + 1));
    }
    return path;
}

std::optional<int> DecimalNumber(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') {
            return std::nullopt;
        }
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

int EntryNumber(std::string_view entry) { return DecimalNumber(entry).value_or(-1); }

} // namespace vorn
