#include "web/cp932.h"

#include <array>
#include <bit>
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

bool IsCombiningMark(UChar32 c) { return (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0; }

// Malformed sequences become U+FFFD; an input ICU refuses altogether gives an empty result.
std::u16string DecodeUtf8WithReplacement(std::string_view utf8) {
    if (utf8.size() >= static_cast<std::size_t>(INT32_MAX)) {
        return {};
    }
    // Every UTF-8 byte yields at most one UTF-16 unit, substitutes included.
    std::u16string wide(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode error = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(wide.data()), static_cast<int32_t>(wide.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &error);
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

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// What the direct conversion writes for every code point of the basic plane, in one flat array:
// the table's bytes, "?" where the table has no entry, and kByCharacter, a value no CP932
// character has, for a combining mark (IsCombiningMark) and for a surrogate (which well-formed
// UTF-8 never encodes). One look-up per character instead of two and no ICU call; worked out
// once, on first use.
constexpr std::uint16_t kByCharacter = 0xFFFE;

class DirectTable {
public:
    DirectTable() {
        for (UChar32 c = 0; c <= 0xFFFF; ++c) {
            const std::uint16_t bytes = TableBytes(static_cast<char32_t>(c));
            entries_[static_cast<std::size_t>(c)] = IsCombiningMark(c) || U_IS_SURROGATE(c) ? kByCharacter
                                                    : bytes == cp932::kNoEntry ? std::uint16_t{kDefaultChar}
                                                                               : bytes;
        }
    }
    std::uint16_t operator[](char32_t c) const { return entries_[c]; }

private:
    std::array<std::uint16_t, 0x10000> entries_{};
};

const DirectTable& Direct() {
    static const DirectTable table;
    return table;
}

// Decodes a two- or three-byte sequence at in (a byte of 0x80 or more, end past it) into the
// code point c: its length, or 0 for a malformed, truncated, overlong or four-byte sequence.
// An encoded surrogate decodes here; the table sends it to the by-character conversion.
std::size_t DecodeTwoOrThreeBytes(const unsigned char* in, const unsigned char* end, char32_t& c) {
    if (end - in >= 3) {
        const unsigned bits = static_cast<unsigned>(in[0]) << 16 | static_cast<unsigned>(in[1]) << 8 | in[2];
        if ((bits & 0xF0C0C0) == 0xE08080) {
            c = static_cast<char32_t>((bits >> 4 & 0xF000) | (bits >> 2 & 0x0FC0) | (bits & 0x3F));
            return c < 0x800 ? 0 : 3;
        }
    }
    if (end - in >= 2 && (in[0] & 0xE0) == 0xC0 && IsContinuation(in[1])) {
        c = static_cast<char32_t>((in[0] & 0x1F) << 6 | (in[1] & 0x3F));
        return c < 0x80 ? 0 : 2;
    }
    return 0;
}

// Pages are mostly ASCII, which the table maps to itself, and then mostly kana and kanji that
// the table maps directly. Both are converted here without ICU. ASCII is never a combining mark
// nor part of a malformed sequence, so the text can be cut before any ASCII byte and the parts
// converted apart: a run of other bytes, together with the ASCII character before it (a mark
// may follow that one), goes through UTF8ToAnsiByCharacter as a whole as soon as it holds a
// mark or anything but a well-formed two- or three-byte sequence.
std::string Utf8ToCp932(std::string_view utf8) {
    const DirectTable& table = Direct();
    // No character takes more bytes in CP932 than in UTF-8, so the output is never ahead of the
    // input and eight ASCII bytes can be stored at once; the by-character part still checks.
    std::string out(utf8.size(), '\0');
    const auto* const begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = begin + utf8.size();
    const auto* in = begin;
    char* to = out.data();
    while (in != end) {
        if (end - in >= 8) {
            std::uint64_t word;
            std::memcpy(&word, in, 8);
            const std::uint64_t high = word & 0x8080808080808080ULL;
            const int firstHigh =
                std::endian::native == std::endian::little ? std::countr_zero(high) : std::countl_zero(high);
            const std::size_t ascii = high == 0 ? 8 : static_cast<std::size_t>(firstHigh) / 8;
            std::memcpy(to, &word, 8); // bytes past the ASCII ones are written over below
            in += ascii;
            to += ascii;
            if (ascii == 8) {
                continue;
            }
        } else if (*in < 0x80) {
            *to++ = static_cast<char>(*in++);
            continue;
        }
        // A run of other bytes starts here, after an ASCII byte unless at the very start.
        const auto* const partStart = in == begin ? in : in - 1;
        char* const partOut = to - (in - partStart);
        bool direct = true;
        while (in != end && *in >= 0x80) {
            char32_t c = 0;
            const std::size_t length = DecodeTwoOrThreeBytes(in, end, c);
            const std::uint16_t bytes = length == 0 ? kByCharacter : table[c];
            if (bytes < 0x100) {
                *to++ = static_cast<char>(bytes);
            } else if (bytes != kByCharacter) {
                *to++ = static_cast<char>(bytes >> 8);
                *to++ = static_cast<char>(bytes & 0xFF);
            } else {
                direct = false;
                break;
            }
            in += length;
        }
        if (!direct) {
            while (in != end && *in >= 0x80) {
                ++in;
            }
            const std::string part = detail::UTF8ToAnsiByCharacter(
                utf8.substr(static_cast<std::size_t>(partStart - begin), static_cast<std::size_t>(in - partStart)));
            const std::size_t written = static_cast<std::size_t>(partOut - out.data());
            const std::size_t needed = written + part.size() + static_cast<std::size_t>(end - in);
            if (out.size() < needed) {
                out.resize(needed);
            }
            std::memcpy(out.data() + written, part.data(), part.size());
            to = out.data() + written + part.size();
        }
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
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

bool AsciiSurvivesConversion(std::string_view utf8) {
    // Two-byte leads are 110xxxxx, four-byte and longer ones 11110xxx and up; checked eight at a
    // time with each byte's top four bits moved, in turn, to the byte's top bit.
    constexpr std::uint64_t kTop = 0x8080808080808080ULL;
    const auto isLongOrShortLead = [](std::uint64_t word) {
        const std::uint64_t b7 = word & kTop;
        const std::uint64_t b6 = (word << 1) & kTop;
        const std::uint64_t b5 = (word << 2) & kTop;
        const std::uint64_t b4 = (word << 3) & kTop;
        return ((b7 & b6 & ~b5) | (b7 & b6 & b5 & b4)) != 0;
    };
    std::size_t i = 0;
    for (; utf8.size() - i >= 8; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, utf8.data() + i, 8);
        if ((word & kTop) != 0 && isLongOrShortLead(word)) { // most words are plain ASCII
            return false;
        }
    }
    for (; i < utf8.size(); ++i) {
        if (isLongOrShortLead(static_cast<unsigned char>(utf8[i]))) {
            return false;
        }
    }
    return true;
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
