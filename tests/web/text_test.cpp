#include "web/text.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vorn {
namespace {

// CP932 bytes used below: "ソ" and "表" end in 0x5C ("\"), "亜" is 0x88 0x9F (both bytes in the
// lead-byte range), "ア" is 0x83 0x41 and "ビ" is 0x83 0x72.
const std::string kSo = "\x83\x5C";
const std::string kHyou = "\x95\x5C";
const std::string kA = "\x88\x9F";

TEST(StripTags, RemovesEachRunFromLessThanToNextGreaterThan) {
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"tags between words", "<p>abc</p>def", "abcdef"},
        {"comparison counts as a tag", "1 < 2 > 0", "1  0"},
        {"unclosed tag stays", "a<b", "a<b"},
        {"nested opener", "<a<b>x", "x"},
        {"unclosed after a tag", "<i>a</i>b<c", "ab<c"},
        {"stray greater than", "a>b<br>c", "a>bc"},
        {"empty tag", "a<>b", "ab"},
        {"empty", "", ""},
        {"two-byte text kept", "<td>" + kSo + "</td>", kSo},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripTags(c.input), c.expected) << c.name;
    }
}

TEST(SplitText, AppendsOnlyNonEmptyPieces) {
    struct Case {
        const char* name;
        std::string text;
        std::string delimiter;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"empty pieces dropped", "a,,b,", ",", {"a", "b"}},
        {"delimiter at start", ",a", ",", {"a"}},
        {"tag opener as delimiter", "<h1>x<span>y", "<", {"h1>x", "span>y"}},
        {"no delimiter", "abc", ",", {"abc"}},
        {"empty text", "", ",", {}},
        {"only delimiters", ",,,", ",", {}},
        {"multi-byte delimiter", "a<br>b<br>", "<br>", {"a", "b"}},
        {"empty delimiter keeps the text whole", "abc", "", {"abc"}},
        {"trail byte is not a delimiter", kSo + "\\x", "\\", {kSo, "x"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> pieces;
        SplitText(c.text, c.delimiter, pieces);
        EXPECT_EQ(pieces, c.expected) << c.name;
    }
}

TEST(SplitText, AppendsToExistingList) {
    std::vector<std::string> pieces{"kept"};
    SplitText("a,b", ",", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"kept", "a", "b"}));
}

TEST(FindText, MatchesOnlyAtCharacterBoundaries) {
    struct Case {
        const char* name;
        std::string text;
        std::string marker;
        std::size_t from;
        std::size_t expected;
    };
    const Case cases[] = {
        {"trail byte backslash inside so", kSo, "\\", 0, npos},
        {"trail byte backslash inside hyou", kHyou, "\\", 0, npos},
        {"real backslash after so", kSo + "\\", "\\", 0, 2},
        {"backslash after hyou and so", kHyou + kSo + "a\\", "\\", 0, 5},
        {"pair straddling two characters", kA + kA, "\x9F\x88", 0, npos},
        {"character found after a straddling candidate", "x" + kA + kA, kA, 2, 3},
        {"from skips an earlier match", "a,b,c", ",", 2, 3},
        {"from at the match", "a,b", ",", 1, 1},
        {"from past the end", "a,b", ",", 9, npos},
        {"empty marker", "abc", "", 0, npos},
        {"marker longer than text", "ab", "abc", 0, npos},
        {"case matters", "ABC", "b", 0, npos},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindText(c.text, c.marker, c.from), c.expected) << c.name;
    }
}

TEST(FindText, BoundariesHoldInALongRunOfLeadRangeBytes) {
    std::string text;
    for (int i = 0; i < 1000; ++i) {
        text += kA;
    }
    text += "<";
    EXPECT_EQ(FindText(text, "\x9F\x88"), npos);
    EXPECT_EQ(FindText(text, kA, 1), 2u);
    EXPECT_EQ(FindText(text, "<"), 2000u);
    EXPECT_TRUE(ContainsText(text, kA + "<"));
}

TEST(TextFromAndBefore, CutAtFirstMarker) {
    EXPECT_EQ(TextFrom("key=a=b", "="), "=a=b");
    EXPECT_EQ(TextFrom("key", "="), "");
    EXPECT_EQ(TextBefore("key=a=b", "="), "key");
    EXPECT_EQ(TextBefore("key", "="), "key");
    EXPECT_EQ(TextBefore(kSo + "\\x", "\\"), kSo);
    EXPECT_EQ(TextFrom(kSo + "\\x", "\\"), "\\x");
}

TEST(ReplaceAllNoCase, FoldsAsciiOnlyAtCharacterBoundaries) {
    struct Case {
        const char* name;
        std::string text;
        std::string from;
        std::string to;
        std::string expected;
    };
    const Case cases[] = {
        {"any case", "a<BR>b<br>c<Br>", "<br>", "\n", "a\nb\nc\n"},
        {"removal", "x&nbsp;y&NBSP;", "&nbsp;", "", "xy"},
        {"no rescan of replaced text", "aaa", "a", "aa", "aaaaaa"},
        {"left to right", "ababa", "ABA", "x", "xba"},
        {"empty from leaves text", "abc", "", "x", "abc"},
        {"letter matching a trail byte", "\x83\x61", "a", "", "\x83\x61"},
        {"trail byte differing only in ascii case", "\x83\x72", "\x83\x52", "", "\x83\x72"},
        {"two-byte marker", "a" + kSo + "b", kSo, "-", "a-b"},
        {"backslash trail byte", kHyou + "\\", "\\", "/", kHyou + "/"},
        {"non-letters compared exactly", "[A]", "{a}", "x", "[A]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceAllNoCase(c.text, c.from, c.to), c.expected) << c.name;
    }
    EXPECT_EQ(RemoveAllNoCase("a<B>b</b>", "<b>"), "ab</b>");
}

// ReplaceAllNoCase as it was first written: walk the text a character at a time and try the
// marker at every character start. The searching version must replace exactly the same places.
std::string ReplaceAllByWalking(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return std::string(text);
    }
    const auto charLength = [](std::string_view s, std::size_t i) {
        return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    };
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    std::vector<bool> foldable(from.size(), false);
    for (std::size_t i = 0; i < from.size(); i += charLength(from, i)) {
        foldable[i] = !IsLeadByte(static_cast<unsigned char>(from[i]));
    }
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        bool match = text.size() - pos >= from.size();
        for (std::size_t i = 0; match && i < from.size(); ++i) {
            const char a = text[pos + i];
            match = a == from[i] || (foldable[i] && fold(a) == fold(from[i]));
        }
        if (match) {
            out.append(to);
            pos += from.size();
        } else {
            out.append(text.substr(pos, charLength(text, pos)));
            pos += charLength(text, pos);
        }
    }
    return out;
}

TEST(ReplaceAllNoCase, ReplacesWhereWalkingCharacterByCharacterWould) {
    // Letters of both cases, bytes that are lead bytes and trail bytes alike, "&" and "\".
    const std::string pieces[] = {"a",    "A",    "b",    "&",    "\\",       " ",    kSo,    kHyou,     kA,
                                  "\x83", "\x41", "\x88", "\x9F", "\x81\x40", "\x40", "\x72", "\x83\x72"};
    std::mt19937 random(932);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    const auto randomText = [&](int maxPieces) {
        std::string text;
        for (int n = std::uniform_int_distribution<int>(0, maxPieces)(random); n > 0; --n) {
            text += pieces[pick(random)];
        }
        return text;
    };
    for (int i = 0; i < 30000; ++i) {
        const std::string text = randomText(20);
        const std::string from = randomText(3);
        const std::string to = randomText(2);
        ASSERT_EQ(ReplaceAllNoCase(text, from, to), ReplaceAllByWalking(text, from, to))
            << testing::PrintToString(text) << " " << testing::PrintToString(from);
        std::string inPlace = text;
        const bool replaced = ReplaceAllNoCaseInPlace(inPlace, from, to);
        ASSERT_EQ(inPlace, ReplaceAllByWalking(text, from, to));
        // A replacement longer than the marker changes the length exactly when there is a match.
        ASSERT_EQ(replaced, ReplaceAllByWalking(text, from, from + "+").size() != text.size());
    }
}

TEST(Trim, RemovesBytesUpTo32AtBothEnds) {
    EXPECT_EQ(Trim(" \t\r\n \x01"), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(Trim("\x7F"
                   "a"
                   "\x7F"),
              "\x7F"
              "a"
              "\x7F");
    EXPECT_EQ(TrimView("  " + kSo + "  "), kSo);
    EXPECT_EQ(Trim("\x81\x40/tmp\x81\x40 "), "\x81\x40/tmp\x81\x40") << "ideographic spaces stay";
    EXPECT_EQ(CleanText("  <b> x </b>\r\n"), "x");
}

} // namespace
} // namespace vorn
