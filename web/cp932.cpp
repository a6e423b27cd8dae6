#include "web/cp932.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include "web/cp932_tables.h"

namespace vorn {

namespace {

constexpr unsigned kUtf8CodePage = 65001;
constexpr char kDefaultChar = '?';
constexpr char16_t kReadDefaultChar = u'\u30FB';

// The table's bytes for a code point of the basic plane, kNoEntry when it lists none.
std::uint16_t TableBytes(char32_t c) {
    const std::uint8_t page = cp932::kWidePageIndex[c >> 8];
    return page == 0 ? cp932::kNoEntry : cp932::kWidePages[page - 1][c & 0xFF];
}

void AppendCp932(std::string& out, UChar32 c) {
    const std::uint16_t bytes = c >= 0 && c <= 0xFFFF ? TableBytes(static_cast<char32_t>(c)) : cp932::kNoEntry;
    if (bytes == cp932::kNoEntry) {
        out += kDefaultChar;
    } else if (bytes < 0x100) {
        out += static_cast<char>(bytes);
    } else {
        out += static_cast<char>(bytes >> 8);
        out += static_cast<char>(bytes & 0xFF);
    }
}

void AppendUtf8(std::string& out, char16_t unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | (unit >> 6));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (unit >> 12));
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

bool IsCombiningMark(UChar32 c) {
    return (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// Malformed sequences become U+FFFD; an input ICU refuses altogether gives an empty result.
std::u16string DecodeUtf8WithReplacement(std::string_view utf8) {
    if (utf8.size() >= static_cast<std::size_t>(INT32_MAX)) {
        return {};
    }
    // Every UTF-8 byte yields at most one UTF-16 unit, substitutes included.
    std::u16string wide(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode error = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(wide.data()), static_cast<int32_t>(wide.size()), &length,
                         utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &error);
    if (U_FAILURE(error)) {
        return {};
    }
    wide.resize(static_cast<std::size_t>(length));
    return wide;
}

// Precomposes a base followed by combining marks as long as each next mark composes with what
// has been built so far; a mark that does not compose is left for the table (and becomes "?").
std::string EncodeComposing(const std::u16string& wide) {
    UErrorCode error = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(error);
    if (U_FAILURE(error)) {
        nfc = nullptr;
    }
    const UChar* units = reinterpret_cast<const UChar*>(wide.data());
    const int32_t length = static_cast<int32_t>(wide.size());
    std::string out;
    out.reserve(wide.size() * 2);
    int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U16_NEXT(units, i, length, c);
        while (nfc != nullptr && i < length) {
            int32_t next = i;
            UChar32 mark;
            U16_NEXT(units, next, length, mark);
            if (!IsCombiningMark(mark)) {
                break;
            }
            const UChar32 composed = nfc->composePair(c, mark);
            if (composed < 0) {
                break;
            }
            c = composed;
            i = next;
        }
        AppendCp932(out, c);
    }
    return out;
}

// Length of the sequence a lead byte announces, 0 for a byte that cannot start one (a stray
// continuation byte, an overlong-only lead, or the lead of a four-byte or longer sequence).
int StrictSequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return 0;
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}


// Which code points of the basic plane are combining marks (IsCombiningMark), one bit each,
// worked out once: asking ICU per character costs more than the rest of the conversion.
class CombiningMarkBits {
public:
    CombiningMarkBits() {
        for (UChar32 c = 0; c <= 0xFFFF; ++c) {
            if (IsCombiningMark(c)) {
                words_[static_cast<std::size_t>(c) >> 6] |= std::uint64_t{1} << (c & 63);
            }
        }
    }
    bool Has(char32_t c) const { return (words_[c >> 6] >> (c & 63) & 1) != 0; }

private:
    std::array<std::uint64_t, 0x10000 / 64> words_{};
};

const CombiningMarkBits& CombiningMarks() {
    static const CombiningMarkBits marks;
    return marks;
}

// Decodes a well-formed two- or three-byte sequence at text[i] (a byte of 0x80 or more): its
// length, or 0 for anything else (malformed, truncated, overlong, a surrogate, four bytes).
std::size_t DecodeBasicPlane(std::string_view text, std::size_t i, char32_t& c) {
    const auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    if (lead >= 0xC2 && lead <= 0xDF) {
        if (text.size() - i < 2 || !IsContinuation(byte(i + 1))) {
            return 0;
        }
        c = static_cast<char32_t>((lead & 0x1F) << 6 | (byte(i + 1) & 0x3F));
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (text.size() - i < 3 || !IsContinuation(byte(i + 1)) || !IsContinuation(byte(i + 2))) {
            return 0;
        }
        c = static_cast<char32_t>((lead & 0x0F) << 12 | (byte(i + 1) & 0x3F) << 6 | (byte(i + 2) & 0x3F));
        return c < 0x800 || U_IS_SURROGATE(c) ? 0 : 3;
    }
    return 0;
}

// The index of the first byte of 0x80 or more at or after i, or the size; eight bytes a step.
std::size_t SkipAscii(std::string_view text, std::size_t i) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    while (text.size() - i >= 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & kHighBits) != 0) {
            break;
        }
        i += 8;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) {
        ++i;
    }
    return i;
}

// Pages are mostly ASCII, which the table maps to itself, and then mostly kana and kanji that
// the table maps directly. Both are converted here without ICU. ASCII is never a combining mark
// nor part of a malformed sequence, so the text can be cut before any ASCII byte and the parts
// converted apart: a run of other bytes, together with the ASCII character before it (a mark
// may follow that one), goes through UTF8ToAnsiByCharacter as a whole as soon as it holds a
// mark or anything but a well-formed two- or three-byte sequence.
std::string Utf8ToCp932(std::string_view utf8) {
    const CombiningMarkBits& marks = CombiningMarks();
    // No character takes more bytes in CP932 than in UTF-8; the by-character part still checks.
    std::string out(utf8.size(), '\0');
    std::size_t written = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t asciiEnd = SkipAscii(utf8, i);
        std::memcpy(out.data() + written, utf8.data() + i, asciiEnd - i);
        written += asciiEnd - i;
        i = asciiEnd;
        if (i == utf8.size()) {
            break;
        }
        const std::size_t partStart = i > 0 ? i - 1 : 0; // the byte before is ASCII
        const std::size_t partWritten = written - (i - partStart);
        bool direct = true;
        while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) >= 0x80) {
            char32_t c = 0;
            const std::size_t length = DecodeBasicPlane(utf8, i, c);
            if (length == 0 || marks.Has(c)) {
                direct = false;
                break;
            }
            const std::uint16_t bytes = TableBytes(c);
            if (bytes == cp932::kNoEntry) {
                out[written++] = kDefaultChar;
            } else if (bytes < 0x100) {
                out[written++] = static_cast<char>(bytes);
            } else {
                out[written++] = static_cast<char>(bytes >> 8);
                out[written++] = static_cast<char>(bytes & 0xFF);
            }
            i += length;
        }
        if (!direct) {
            while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) >= 0x80) {
                ++i;
            }
            const std::string part = detail::UTF8ToAnsiByCharacter(utf8.substr(partStart, i - partStart));
            written = partWritten;
            if (out.size() - written < part.size() + (utf8.size() - i)) {
                out.resize(written + part.size() + (utf8.size() - i));
            }
            std::memcpy(out.data() + written, part.data(), part.size());
            written += part.size();
        }
    }
    out.resize(written);
    return out;
}

} // namespace

std::string UTF8ToAnsi(std::string_view utf8, unsigned codePage) {
    if (codePage == 0) {
        codePage = kAnsiCodePage;
    }
    if (codePage == kUtf8CodePage) {
        return std::string(utf8);
    }
    if (codePage != kAnsiCodePage) {
        return {}; // no other code page is installed here
    }
    return Utf8ToCp932(utf8);
}

std::string detail::UTF8ToAnsiByCharacter(std::string_view utf8) {
    const std::u16string wide = DecodeUtf8WithReplacement(utf8);
    if (wide.empty()) {
        return {};
    }
    return EncodeComposing(wide);
}

std::string Utf8LineToAnsiStrict(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = StrictSequenceLength(lead);
        if (length == 0 || utf8.size() - i < static_cast<std::size_t>(length)) {
            return {};
        }
        UChar32 c = lead;
        if (length == 2) {
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            if (!IsContinuation(second)) {
                return {};
            }
            c = ((lead & 0x1F) << 6) | (second & 0x3F);
        } else if (length == 3) {
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            const auto third = static_cast<unsigned char>(utf8[i + 2]);
            if (!IsContinuation(second) || !IsContinuation(third)) {
                return {};
            }
            c = ((lead & 0x0F) << 12) | ((second & 0x3F) << 6) | (third & 0x3F);
            // Overlong forms and encoded surrogates are malformed too.
            if (c < 0x800 || U_IS_SURROGATE(c)) {
                return {};
            }
        }
        AppendCp932(out, c);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::string AnsiToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    std::size_t i = 0;
    while (i < cp932.size()) {
        const auto first = static_cast<unsigned char>(cp932[i]);
        char16_t unit = cp932::kSingleByteToWide[first];
        ++i;
        if (unit == cp932::kNoEntry) {
            const std::uint8_t page = cp932::kLeadPageIndex[first];
            if (page != 0 && i < cp932.size()) {
                // A lead byte takes its trail byte with it even when the pair has no entry.
                const auto trail = static_cast<unsigned char>(cp932[i]);
                unit = cp932::kDoubleByteToWide[page - 1][trail];
                ++i;
            }
        }
        AppendUtf8(out, unit == cp932::kNoEntry ? kReadDefaultChar : unit);
    }
    return out;
}

} // namespace vorn
