#include "web/cp932.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

#include <gtest/gtest.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include "web/text.h"

namespace vorn {
namespace {

struct ConversionCase {
    const char* name;
    std::string input;
    std::string expected;
};

// Holds UTF8ToAnsi to the character-by-character conversion on `count` texts, each of up to
// maxPieces pieces picked at random.
template <typename Piece, std::size_t N>
void ExpectByCharacterBytesOnRandomTexts(const Piece (&pieces)[N], unsigned seed, int maxPieces, int count) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, N - 1);
    std::uniform_int_distribution<int> length(0, maxPieces);
    for (int i = 0; i < count; ++i) {
        std::string text;
        for (int n = length(random); n > 0; --n) {
            text += pieces[pick(random)];
        }
        ASSERT_EQ(UTF8ToAnsi(text), detail::UTF8ToAnsiByCharacter(text)) << testing::PrintToString(text);
    }
}

std::map<std::uint16_t, std::uint16_t> LoadTable(const char* fileName) {
    std::ifstream in(std::string(VORN_TEST_DATA_DIR) + "/cp932/" + fileName);
    std::map<std::uint16_t, std::uint16_t> table;
    unsigned key = 0;
    unsigned value = 0;
    while (in >> std::hex >> key >> value) {
        table[static_cast<std::uint16_t>(key)] = static_cast<std::uint16_t>(value);
    }
    return table;
}

std::string Utf8Of(UChar32 c) {
    char buffer[4];
    int32_t length = 0;
    U8_APPEND_UNSAFE(buffer, length, c);
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string BytesOf(std::uint16_t cp932) {
    if (cp932 < 0x100) {
        return std::string(1, static_cast<char>(cp932));
    }
    return {static_cast<char>(cp932 >> 8), static_cast<char>(cp932 & 0xFF)};
}

TEST(Utf8ToAnsi, ConvertsLikeWindowsWithCompositeCheck) {
    std::string ascii;
    for (int c = 1; c < 0x80; ++c) {
        ascii += static_cast<char>(c);
    }
    const ConversionCase cases[] = {
        {"every ASCII byte unchanged", ascii, ascii},
        {"empty", "", ""},
        {"kana and kanji", "かな漢字", "\x82\xA9\x82\xC8\x8A\xBF\x8E\x9A"},
        {"emoji is one question mark", "a😀b😀", "a?b?"},
        {"character outside BMP", "𠀋", "?"},
        {"stray continuation byte", "a\x80z", "a?z"},
        {"invalid byte", "\xFF", "?"},
        {"truncated sequence at end", "a\xE3\x81", "a?"},
        {"encoded surrogate", "\xED\xA0\x80", "???"},
        {"wave dash has no form", "〜", "?"},
        {"minus sign has no form", "−", "?"},
        {"em dash has no form", "—", "?"},
        {"fullwidth tilde", "～", "\x81\x60"},
        {"best fit e acute", "é", "e"},
        {"yen sign best fits to backslash", "¥", "\\"},
        {"ka plus combining voiced mark", "か\xE3\x82\x99", "\x82\xAA"},
        {"e plus combining acute", "e\xCC\x81", "e"},
        {"mark that composes with nothing", "x\xCC\x81", "x?"},
        {"second mark after a composition", "か\xE3\x82\x99\xE3\x82\x99", "\x82\xAA?"},
        {"composition chain", "A\xCC\x88\xCC\x84", "?"},
        {"halfwidth voiced mark stays separate", "ｶﾞ", "\xB6\xDE"},
        {"angstrom sign kept", "\xE2\x84\xAB", "\x81\xF0"},
        {"compatibility ideograph kept", "\xEF\xA4\xA9", "\xFA\xE0"},
    };
    for (const ConversionCase& c : cases) {
        EXPECT_EQ(UTF8ToAnsi(c.input), c.expected) << c.name;
        EXPECT_EQ(UTF8ToAnsi(c.input, 932), c.expected) << c.name;
    }
}

// Plain ASCII passes through without the decoder; cut anywhere near marks, malformed bytes and
// zero bytes, the text must still come out as the decoder makes it character by character.
TEST(Utf8ToAnsi, PassingAsciiThroughGivesTheBytesOfTheCharacterByCharacterConversion) {
    const std::string pieces[] = {
        "a",
        "Z",
        " ",
        "\n",
        std::string(1, '\0'),
        "<div>",
        "\"",
        "\xCC\x81",         // combining acute
        "\xCC\x88",         // combining diaeresis
        "\xE3\x82\x99",     // combining voiced sound mark
        "か",
        "漢",
        "é",
        "～",
        "😀",
        "\x80",
        "\xFF",
        "\xE3\x81",
        "\xF0\x9F", // stray, invalid and truncated bytes
        "\xED\xA0\x80",     // encoded surrogate
        "\xE3\x82\x9A",
        "\xE3\x81\xAF", // semi-voiced mark, ha
        "\xC0\x80",
        "\xE0\x80\xAF", // overlong forms
        "\xE3\x80\x9C",     // wave dash, which the table does not list
    };
    ExpectByCharacterBytesOnRandomTexts(pieces, 932, 24, 20000);
    const std::string page = "<p>" + std::string(5000, 'x') + "e\xCC\x81か\xE3\x82\x99" + std::string(5000, 'y');
    EXPECT_EQ(UTF8ToAnsi(page), "<p>" + std::string(5000, 'x') + "e\x82\xAA" + std::string(5000, 'y'));
}

// The direct conversion decodes well-formed text itself and leaves the rest to the decoder; every
// character of the basic plane, next to the neighbours that change how it converts, must come
// out exactly as the character-by-character conversion makes it.
TEST(Utf8ToAnsi, EveryBasicPlaneCharacterInContextMatchesTheCharacterByCharacterConversion) {
    const std::string contexts[][2] = {
        {"", ""},
        {"e", ""},                           // ASCII base before it
        {"\xE3\x81\x8B", "x"},               // after kana, before ASCII
        {"", "\xE3\x82\x99"},                // before a combining voiced mark
        {"\xE3\x81\xAF", "\xE3\x82\x9A\xE6\xBC\xA2"}, // before a semi-voiced mark and a kanji
        {"a", "\xCC\x81"
              "b"},               // before a combining acute
        {"\xE6\xBC\xA2", "\xE3\x81"},        // before a truncated sequence
    };
    int mismatches = 0;
    for (UChar32 c = 0; c <= 0xFFFF && mismatches < 20; ++c) {
        if (U_IS_SURROGATE(c)) {
            continue;
        }
        for (const auto& [before, after] : contexts) {
            const std::string text = before + Utf8Of(c) + after;
            if (UTF8ToAnsi(text) != detail::UTF8ToAnsiByCharacter(text)) {
                ++mismatches;
                ADD_FAILURE() << "U+" << std::hex << c << " in " << testing::PrintToString(text);
            }
        }
    }
}

TEST(Utf8ToAnsi, MalformedAndAdversarialBytesMatchTheCharacterByCharacterConversion) {
    struct Case {
        const char* name;
        std::string input;
    };
    const Case cases[] = {
        {"overlong two-byte", "a\xC0\x80"
                              "b"},
        {"overlong two-byte letter", "\xC1\x81"},
        {"overlong three-byte", "\xE0\x80\xAF"},
        {"overlong three-byte at the edge", "\xE0\x9F\xBF"},
        {"smallest three-byte", "\xE0\xA0\x80"},
        {"encoded low surrogate", "\xED\xBF\xBF"},
        {"largest before surrogates", "\xED\x9F\xBF"},
        {"encoded surrogate pair", "\xED\xA0\xBD\xED\xB8\x80"},
        {"four-byte, then kana", "\xF0\x9F\x98\x80\xE3\x81\x8B"},
        {"past U+10FFFF", "\xF4\x90\x80\x80"},
        {"five and six byte leads", "\xF8\x88\x80\x80\x80\xFC\x84\x80\x80\x80\x80"},
        {"lead then ASCII", "\xE3\x81"
                            "a\xC3"
                            "b"},
        {"truncated at the end", "\xE6\xBC"},
        {"continuation bytes only", "\x80\xBF\x80"},
        {"noncharacters", "\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xB7\x90"},
        {"replacement character itself", "\xEF\xBF\xBD"},
        {"mark first in the text", "\xE3\x82\x99\xE3\x81\x8B"},
        {"mark after ASCII after kana", "\xE3\x81\x8B"
                                        "e\xCC\x81"},
        {"variation selector after a symbol", "\xE2\x9D\xA4\xEF\xB8\x8F"},
        {"unmappable among mappable", "\xE6\xBC\xA2\xE3\x80\x9C\xE5\xAD\x97"},
        {"zero bytes", std::string("\xE3\x81\x8B\0\xCC\x81\0", 7)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UTF8ToAnsi(c.input), detail::UTF8ToAnsiByCharacter(c.input)) << c.name;
    }
    // Random bytes, weighted towards ASCII, lead bytes at the edges of their ranges and
    // continuation bytes, so that well-formed, malformed and truncated sequences all turn up.
    const char alphabet[] = {'a',    'e',    ' ',    '<',    '\x00', '\x80', '\x81', '\x99',
                             '\x9A', '\xA0', '\xBF', '\xC0', '\xC1', '\xC2', '\xCC', '\xDF',
                             '\xE0', '\xE3', '\xED', '\xEF', '\xF0', '\xF4', '\xFF'};
    ExpectByCharacterBytesOnRandomTexts(alphabet, 65001, 32, 50000);
}

// The text with each run of characters other than ASCII, "?" included, as one "\x01": where an
// ASCII marker can be found. cp932 reads lead bytes as the start of two-byte characters.
std::string AsciiShape(std::string_view text, bool cp932) {
    std::string shape;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 && c != '?') {
            shape += static_cast<char>(c);
            continue;
        }
        if (cp932 && IsLeadByte(c) && i + 1 < text.size()) {
            ++i;
        }
        if (shape.empty() || shape.back() != '\x01') {
            shape += '\x01';
        }
    }
    return shape;
}

// Where the check says yes, ASCII must come out of the conversion as it went in and nothing
// else may turn into it: every basic plane character between ASCII letters and after one (where
// a mark could compose with it), then random texts of the pieces that turn into ASCII or take
// it away.
TEST(AsciiSurvivesConversion, NoAsciiAppearsMovesOrGoesWhereItSaysYes) {
    int intact = 0;
    const auto expectSameShape = [&intact](const std::string& text) {
        if (!AsciiSurvivesConversion(text)) {
            return true;
        }
        ++intact;
        const bool same = AsciiShape(text, false) == AsciiShape(UTF8ToAnsi(text), true);
        EXPECT_TRUE(same) << testing::PrintToString(text);
        return same;
    };
    for (UChar32 c = 0x80; c <= 0xFFFF; ++c) {
        if (!U_IS_SURROGATE(c) && !(expectSameShape("a" + Utf8Of(c) + "b") && expectSameShape("<h" + Utf8Of(c)))) {
            break;
        }
    }
    EXPECT_GT(intact, 2 * 60000);

    const std::string pieces[] = {
        "<h1",
        ",",
        "?",
        "a",
        "e",
        "\"",
        "か",
        "漢",
        "ｈ",
        "\xE3\x82\x99",
        "\xE2\x84\xAA" /* Kelvin sign */,
        "\xC3\xA0" /* à */,
        "\xC2\xB9" /* superscript one */,
        "\xCC\x81",
        "\xCC\xB8" /* long solidus overlay */,
        "😀",
        "\x80",
        "\xE3\x81",
        "\xED\xA0\x80",
        "\xE0\x80\xAF",
        "\xC0\xBC",
        "\xEF\xBF\xBD",
    };
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        for (int n = 0; n < 12; ++n) {
            text += pieces[pick(random)];
        }
        ASSERT_TRUE(expectSameShape(text));
    }

    for (const char* turnsIntoAscii : {"\xC3\xA0", "\xC2\xB9", "e\xCC\x81", "<\xCC\xB8", "\xF0\x9F\x98\x80"}) {
        EXPECT_FALSE(AsciiSurvivesConversion(std::string(40, 'x') + turnsIntoAscii)) << turnsIntoAscii;
    }
    EXPECT_TRUE(AsciiSurvivesConversion(R"({"title":"ソファー　３人掛け","favorite_user_count":7,})"));
}

TEST(Utf8ToAnsi, CodePage65001ReturnsInputUnchanged) {
    const std::string input = "か\xFF\x80😀";
    EXPECT_EQ(UTF8ToAnsi(input, 65001), input);
}

TEST(Utf8ToAnsi, EveryCodeUnitFollowsWindowsTable) {
    const auto table = LoadTable("unicode-to-cp932.txt");
    ASSERT_EQ(table.size(), 9486u);
    int mismatches = 0;
    for (UChar32 c = 0; c <= 0xFFFF && mismatches < 20; ++c) {
        if (U_IS_SURROGATE(c)) {
            continue;
        }
        const auto entry = table.find(static_cast<std::uint16_t>(c));
        const std::string expected = entry == table.end() ? "?" : BytesOf(entry->second);
        if (UTF8ToAnsi(Utf8Of(c)) != expected) {
            ++mismatches;
            ADD_FAILURE() << "U+" << std::hex << c;
        }
    }
}

TEST(Utf8LineToAnsiStrict, RejectsWholeLineOnAnyBadSequence) {
    const ConversionCase cases[] = {
        {"empty", "", ""},
        {"ascii", "Tokyo 13", "Tokyo 13"},
        {"two and three byte sequences", "é札幌", "e\x8E\x44\x96\x79"},
        {"no precomposition", "か\xE3\x82\x99", "\x82\xA9?"},
        {"unmapped character is a question mark", "a〜b", "a?b"},
        {"stray continuation byte", "ab\x80", ""},
        {"lead without continuation", "\xC3z", ""},
        {"truncated three-byte sequence", "札\xE5\xB9", ""},
        {"four-byte character", "a😀", ""},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", ""},
        {"overlong two-byte zero", "\xC0\x80", ""},
        {"overlong three-byte slash", "\xE0\x80\xAF", ""},
        {"encoded surrogate", "\xED\xA0\x80", ""},
    };
    for (const ConversionCase& c : cases) {
        EXPECT_EQ(Utf8LineToAnsiStrict(c.input), c.expected) << c.name;
    }
}

TEST(Utf8LineToAnsiStrict, EveryTableEntryConverts) {
    const auto table = LoadTable("unicode-to-cp932.txt");
    for (const auto& [unit, bytes] : table) {
        EXPECT_EQ(Utf8LineToAnsiStrict(Utf8Of(unit)), BytesOf(bytes)) << "U+" << std::hex << unit;
    }
}

TEST(AnsiToUtf8, ReadsLikeWindows) {
    const ConversionCase cases[] = {
        {"empty", "", ""},
        {"ascii", "abc 123", "abc 123"},
        {"backslash trail byte", "\x83\x5C\x95\x5C", "ソ表"},
        {"halfwidth katakana", "\xB6\xDE", "ｶﾞ"},
        {"unlisted pair reads as one middle dot",
         "\x81\xAD"
         "a",
         "・a"},
        {"lead byte takes an invalid trail with it", "\x81 a", "・a"},
        {"lone lead byte at end", "a\x81", "a・"},
        {"user-defined area", "\xF0\x40", "\xEE\x80\x80"},
    };
    for (const ConversionCase& c : cases) {
        EXPECT_EQ(AnsiToUtf8(c.input), c.expected) << c.name;
    }
}

TEST(AnsiToUtf8, EverySequenceFollowsWindowsReadingTable) {
    const auto table = LoadTable("cp932-to-unicode.txt");
    ASSERT_EQ(table.size(), 9805u);
    const std::string middleDot = "・";
    int mismatches = 0;
    for (unsigned sequence = 0; sequence <= 0xFCFF && mismatches < 20; ++sequence) {
        const bool isSingle = sequence < 0x100;
        const bool isLeadPair = (sequence >= 0x8100 && sequence < 0xA000) || sequence >= 0xE000;
        if (!isSingle && !isLeadPair) {
            continue;
        }
        const auto entry = table.find(static_cast<std::uint16_t>(sequence));
        if (isSingle && entry == table.end()) {
            continue; // a lead byte on its own
        }
        const std::string expected = entry == table.end() ? middleDot : Utf8Of(entry->second);
        if (AnsiToUtf8(BytesOf(static_cast<std::uint16_t>(sequence))) != expected) {
            ++mismatches;
            ADD_FAILURE() << "0x" << std::hex << sequence;
        }
    }
}

} // namespace
} // namespace vorn
