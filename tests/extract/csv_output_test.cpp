#include "extract/csv_output.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/file_size_limit.h"
#include "tests/support/test_program_dir.h"
#include "web/cp932.h"

namespace vorn {
namespace {

std::string Sjis(std::string_view utf8) { return UTF8ToAnsi(utf8); }

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads one CSV line the way a spreadsheet does: quoted values, "" inside quotes is one quote.
std::vector<std::string> SpreadsheetValues(std::string_view line) {
    std::vector<std::string> values(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            values.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            values.emplace_back();
        } else {
            values.back() += c;
        }
    }
    return values;
}

TEST(CleanField, Replacements) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"ampersand", "A&amp;B", "A&B"},
        {"doubly escaped entity decoded twice", "&amp;lt;b&amp;gt;", "<b>"},
        {"quot is not decoded", "say &quot;hi&quot;", "say &quot;hi&quot;"},
        {"case ignored", "&RARR;&Times;&NBSP;x", Sjis("→× x")},
        {"ideographic space", Sjis("ソファー　3人掛け"), Sjis("ソファー 3人掛け")},
        {"other numeric references stay", "&#12354;&copy;", "&#12354;&copy;"},
        {"replaced text is not rescanned", "&amp;amp;", "&amp;"},
        {"an entity freed by &amp; is decoded by its own later pass", "&amp;#039;&AMP;middot;", "'" + Sjis("・")},
        {"space bytes across two characters stay", Sjis("メ") + "\x40" + Sjis("メ　"),
         Sjis("メ") + "\x40" + Sjis("メ ")},
        {"an ampersand alone stays", "A & B &", "A & B &"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanField(c.in), c.out) << c.name;
    }
}

TEST(CsvRow, UnreadPageHasOnlyTheDetailUrl) {
    ItemFields fields;
    fields[kDetailUrl] = "https://vorn.test/sale/item/1";
    std::string expected;
    for (int i = 0; i < kDetailUrl; ++i) {
        expected += "\"\",";
    }
    expected += "\"https://vorn.test/sale/item/1\",";
    EXPECT_EQ(BuildCsvRow(fields), expected);
}

TEST(CsvRow, SpreadsheetReadsEveryValueBackPlusAnEmptyLastColumn) {
    ItemFields fields;
    fields[kTitle] = Sjis("19\"モニター, 中古");
    fields[kDescription] = "\"quoted\" &amp; \"\"twice\"\"";
    fields[kPrice] = Sjis("5,000円");
    const std::string row = BuildCsvRow(fields);
    EXPECT_NE(row.find("\"19\"\""), std::string::npos) << "quotes are doubled";

    const std::vector<std::string> values = SpreadsheetValues(row);
    ASSERT_EQ(values.size(), kItemFieldCount + 1u);
    EXPECT_EQ(values[kTitle], Sjis("19\"モニター, 中古"));
    EXPECT_EQ(values[kDescription], "\"quoted\" & \"\"twice\"\"");
    EXPECT_EQ(values[kPrice], Sjis("5,000円"));
    EXPECT_EQ(values[kItemFieldCount], "") << "the empty value after the last comma";
}

TEST(CsvHeader, TwentyFiveQuotedTitlesInCp932) {
    const std::string& header = CsvHeader();
    EXPECT_TRUE(header.starts_with("\"\x93\x8a\x8d\x65ID\",")) << "first title in CP932 bytes";
    EXPECT_TRUE(header.ends_with(Sjis("\"詳細ページURL\""))) << "no comma after the last title";
    const std::vector<std::string> titles = SpreadsheetValues(header);
    EXPECT_EQ(titles.size(), 25u);
}

TEST(CsvFile, LinesEndInCrLfAndReachTheDiskAsWritten) {
    test::TempDir dir;
    const auto path = dir.path() / "out.csv";
    std::ofstream(path) << "an older file's content that must go";

    CsvFile csv;
    ASSERT_TRUE(csv.Open(path));
    ASSERT_TRUE(csv.WriteLine(CsvHeader()));
    ASSERT_TRUE(csv.WriteLine("a\nb"));
    EXPECT_EQ(ReadBytes(path), CsvHeader() + "\r\na\r\nb\r\n") << "visible before the file is closed";
    EXPECT_TRUE(csv.Close());
    EXPECT_FALSE(csv.IsOpen());
    EXPECT_EQ(ReadBytes(path), CsvHeader() + "\r\na\r\nb\r\n");
}

TEST(CsvFile, FailuresAreReported) {
    CsvFile notOpen;
    EXPECT_FALSE(notOpen.WriteLine("x"));

    test::TempDir dir;
    CsvFile inMissingFolder;
    EXPECT_FALSE(inMissingFolder.Open(dir.path() / "missing" / "out.csv"));

    CsvFile full;
    ASSERT_TRUE(full.Open("/dev/full"));
    EXPECT_FALSE(full.WriteLine(CsvHeader()));
    EXPECT_FALSE(full.Close());
}

TEST(CsvFile, ALineCutShortIsTakenBackToTheLastWholeLine) {
    test::TempDir dir;
    const auto path = dir.path() / "out.csv";
    const std::string wholeLines = CsvHeader() + "\r\n\"first\",\r\n\"second\",\r\n";
    test::FileSizeLimit limit;
    {
        CsvFile csv;
        ASSERT_TRUE(csv.Open(path));
        ASSERT_TRUE(csv.WriteLine(CsvHeader()));
        ASSERT_TRUE(csv.WriteLine("\"first\","));
        ASSERT_TRUE(csv.WriteLine("\"second\","));
        limit.Apply(wholeLines.size() + 10);
        EXPECT_FALSE(csv.WriteLine("\"a line far longer than the ten bytes left before the limit\","));
        EXPECT_FALSE(csv.Close());
    }
    EXPECT_EQ(ReadBytes(path), wholeLines);
}

} // namespace
} // namespace vorn
