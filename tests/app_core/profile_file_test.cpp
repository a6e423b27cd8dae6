#include "app/core/profile_file.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"
#include "web/cp932.h"

namespace vorn {
namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class ProfileFileTest : public ::testing::Test {
protected:
    std::filesystem::path Ini() const { return dir_.path() / "vrn.ini"; }
    ProfileFile FileWith(const std::string& bytes) const {
        WriteBytes(Ini(), bytes);
        return ProfileFile(Ini());
    }

    test::TempDir dir_;
};

TEST_F(ProfileFileTest, ReadsValuesByTheProfileRules) {
    // "ア" is 83 41 and "ヂ" 83 61: their second bytes differ only in ASCII case.
    const ProfileFile file = FileWith("; comment=not a key\r\n"
                                      "[config]\r\n"
                                      "WORD=  chair  \r\n"
                                      "Quoted=\"  padded  \"\r\n"
                                      "Inner=a\"b\"\r\n"
                                      "Empty=\r\n"
                                      "\x83\x41=kana\r\n"
                                      "  Spaced Key   =  x y  \n"
                                      "[Other]\n"
                                      "Only=other\r");
    struct Case {
        const char* name;
        const char* section;
        const char* key;
        std::string expected;
    };
    const Case cases[] = {
        {"names match in any ASCII case, value trimmed", "Config", "Word", "chair"},
        {"one pair of quotes removed, inner blanks kept", "CONFIG", "quoted", "  padded  "},
        {"quotes not around the whole value stay", "Config", "Inner", "a\"b\""},
        {"an empty value is not the fallback", "Config", "Empty", ""},
        {"blanks around a key are not part of it", "Config", "Spaced Key", "x y"},
        {"a second byte is not case-folded", "Config", "\x83\x61", "fallback"},
        {"a double-byte key matches itself", "Config", "\x83\x41", "kana"},
        {"a lone CR ends a line", "Other", "Only", "other"},
        {"comment lines hold no key", "Config", "; comment", "fallback"},
        {"missing key", "Config", "Nothing", "fallback"},
        {"missing section", "Site", "Word", "fallback"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file.ReadString(c.section, c.key, "fallback"), c.expected) << c.name;
    }
}

TEST_F(ProfileFileTest, ReadsAtMost2047BytesWithoutSplittingACharacter) {
    const std::string ascii(3000, 'a');
    std::string kanji(2046, 'a');
    kanji += "\x95\x5c\x95\x5c"; // 表表: the first one would straddle the limit
    const ProfileFile file = FileWith("[Config]\r\nA=" + ascii + "\r\nK=" + kanji + "\r\nQ=\"" + ascii + "\"\r\n");
    EXPECT_EQ(file.ReadString("Config", "A"), ascii.substr(0, 2047));
    EXPECT_EQ(file.ReadString("Config", "K"), kanji.substr(0, 2046));
    EXPECT_EQ(file.ReadString("Config", "Q"), ascii.substr(0, 2047)) << "quotes go before the cut";
}

TEST_F(ProfileFileTest, MissingFileReadsFallbacksAndIsCreatedByAWrite) {
    ProfileFile file(Ini());
    EXPECT_FALSE(file.Exists());
    EXPECT_EQ(file.ReadString("Config", "Word", "none"), "none");
    EXPECT_EQ(file.ReadInteger("Config", "Areasel", 7), 7);

    ASSERT_TRUE(file.WriteString("Config", "Word", "chair"));
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(ReadBytes(Ini()), "[Config]\r\nWord=chair\r\n");

    ProfileFile nowhere(dir_.path() / "missing" / "vrn.ini");
    EXPECT_FALSE(nowhere.WriteString("Config", "Word", "x")) << "a missing folder is a failed write";
}

TEST_F(ProfileFileTest, WriteUpdatesInPlaceAndKeepsEverythingElse) {
    const std::string before = "; settings\r\n"
                               "[Site]\r\n"
                               "BaseUrl=https://127.0.0.1:8443/\r\n"
                               "\r\n"
                               "[CONFIG]\r\n"
                               "word = old value\r\n"
                               "Areasel=3\r\n"
                               "\r\n"
                               "[Tail]\n"
                               "X=1";
    ProfileFile file = FileWith(before);

    ASSERT_TRUE(file.WriteString("Config", "Word", "new"));
    ASSERT_TRUE(file.WriteString("Config", "Arealist", "0101"));
    ASSERT_TRUE(file.WriteString("Tail", "Y", "2"));
    ASSERT_TRUE(file.WriteString("New", "Z", "3"));

    EXPECT_EQ(ReadBytes(Ini()), "; settings\r\n"
                                "[Site]\r\n"
                                "BaseUrl=https://127.0.0.1:8443/\r\n"
                                "\r\n"
                                "[CONFIG]\r\n"
                                "word=new\r\n"
                                "Areasel=3\r\n"
                                "Arealist=0101\r\n"
                                "\r\n"
                                "[Tail]\n"
                                "X=1\r\n"
                                "Y=2\r\n"
                                "[New]\r\n"
                                "Z=3\r\n");
}

TEST_F(ProfileFileTest, AValueCannotCreateASectionOrAKey) {
    ProfileFile file = FileWith("[Config]\r\nWord=a\r\n[Site]\r\nBaseUrl=https://good.example/\r\n");
    ASSERT_TRUE(file.WriteString("Config", "Word", "x\r\n[Site]\r\nBaseUrl=https://evil.example/\nCaFile=/tmp/evil\r"));
    ASSERT_TRUE(file.WriteString("Config", "ImageDir", "[Site]"));

    EXPECT_EQ(file.ReadString("Site", "BaseUrl"), "https://good.example/");
    EXPECT_EQ(file.ReadString("Site", "CaFile", "none"), "none");
    EXPECT_EQ(file.ReadString("Config", "Word"), "x  [Site]  BaseUrl=https://evil.example/ CaFile=/tmp/evil");
    EXPECT_EQ(file.ReadString("Config", "ImageDir"), "[Site]");
}

TEST_F(ProfileFileTest, KeepsCp932BytesAndLeavesNoTemporaryFiles) {
    ProfileFile file(Ini());
    const std::string word = "\x95\x5c\x8e\xa6\x83\x5c\x83\x74\x83\x40"; // 表示ソファ: 5C as second bytes
    const std::string folder = "C:\\\x83\x5c\x83\x74\x83\x40\\";
    ASSERT_TRUE(file.WriteString("Config", "Word", word));
    ASSERT_TRUE(file.WriteString("Config", "ImageDir", folder));
    ASSERT_TRUE(file.WriteString("Config", "Word", word + word));
    EXPECT_EQ(file.ReadString("Config", "Word"), word + word);
    EXPECT_EQ(file.ReadString("Config", "ImageDir"), folder);

    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

// A file an editor saved in UTF-8 is written back in UTF-8, everything else kept; CP932 stays CP932.
TEST_F(ProfileFileTest, WritesBackInTheEncodingItRead) {
    const std::string bom = "\xEF\xBB\xBF", after = "Word=ソファ\r\n; 😀\r\n[Filter]\r\nExclude=ジャンク\r\n";
    for (const auto& [before, utf8] : {std::pair{std::string("[Config]\r\nWord=チェア\r\n; 😀\r\n"), true},
                                       {bom + "[Config]\r\nWord=x\r\n; 😀\r\n", true},
                                       {UTF8ToAnsi("[Config]\r\nWord=チェア\r\n; 😀\r\n"), false}}) {
        ProfileFile file = FileWith(before);
        ASSERT_TRUE(file.WriteString("Config", "Word", UTF8ToAnsi("ソファ")));
        ASSERT_TRUE(file.WriteString("Filter", "Exclude", UTF8ToAnsi("ジャンク")));
        const std::string expected = before.substr(0, before.find("Word=")) + (utf8 ? after : UTF8ToAnsi(after));
        EXPECT_EQ(ReadBytes(Ini()), expected) << utf8;
        EXPECT_EQ(file.ReadString("filter", "exclude"), UTF8ToAnsi("ジャンク"));
    }
}

TEST(ProfileIntegerTest, ReadsDecimalAndBothHexadecimalForms) {
    struct Case {
        const char* text;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"1", 1},
        {"0", 0},
        {"0x10", 16},
        {"0X1f", 31},
        {"$1F", 31},
        {"-5", -5},
        {"+7", 7},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", {}},
        {"$100000000", {}},
        {"junk", {}},
        {"12a", {}},
        {"", {}},
        {"0x", {}},
        {"$", {}},
        {"-", {}},
        {"1.5", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseProfileInteger(c.text), c.expected) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace vorn
