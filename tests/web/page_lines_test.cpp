#include "web/page_lines.h"

#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"

namespace vorn {
namespace {

void WriteFile(const std::filesystem::path& file, const std::string& content) {
    std::ofstream(file, std::ios::binary) << content;
}

TEST(LoadPageLines, SplitsAtEveryKindOfLineEnd) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> expected;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"empty file", "", {}},
        {"no line end", "a", {"a"}},
        {"crlf at end adds no line", "a\r\n", {"a"}},
        {"blank line before end", "a\n\n", {"a", ""}},
        {"lone line end", "\n", {""}},
        {"mixed line ends", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"lf cr is two line ends", "a\n\rb", {"a", "", "b"}},
        {"cr cr lf", "a\r\r\nb", {"a", "", "b"}},
        {"zero byte ends the text", "a\nb\0c\nd"s, {"a", "b"}},
        {"zero byte first", "\0a"s, {}},
        {"bytes kept as they are", "\xE3\x81\x82 \t\r\n\x83\x5C", {"\xE3\x81\x82 \t", "\x83\x5C"}},
        {"long lines, line ends far apart",
         std::string(70000, 'a') + "\r\n" + std::string(50000, 'b') + "\r" + "c\n\n" + std::string(40000, 'd'),
         {std::string(70000, 'a'), std::string(50000, 'b'), "c", "", std::string(40000, 'd')}},
    };
    test::TempDir dir;
    const auto file = dir.path() / "tmp.dat";
    for (const Case& c : cases) {
        WriteFile(file, c.content);
        std::vector<std::string> lines{"stale"};
        EXPECT_TRUE(LoadPageLines(file, lines)) << c.name;
        EXPECT_EQ(lines, c.expected) << c.name;
        std::vector<std::string_view> views{"stale"};
        SplitPageLines(c.content, views);
        EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), c.expected) << c.name << ", as views";
    }
}

TEST(LoadPageLines, MissingOrUnreadableFileFails) {
    test::TempDir dir;
    std::vector<std::string> lines{"stale"};
    EXPECT_FALSE(LoadPageLines(dir.path() / "missing.dat", lines));
    EXPECT_TRUE(lines.empty());
    lines = {"stale"};
    EXPECT_FALSE(LoadPageLines(dir.path(), lines));
    EXPECT_TRUE(lines.empty());
}

// The reading buffer and the strings of the lines are used again from page to page: nothing of
// an earlier, longer page or of earlier lines may show through in the next one.
TEST(LoadPageLines, NothingOfAnEarlierPageShowsThrough) {
    test::TempDir dir;
    const auto file = dir.path() / "tmp.dat";
    std::vector<std::string> lines;
    for (const std::size_t size : {std::size_t{3'000'000}, std::size_t{200'000}, std::size_t{5}}) {
        WriteFile(file, std::string(size, 'x') + "\ny\nzz");
        ASSERT_TRUE(LoadPageLines(file, lines));
        ASSERT_EQ(lines, (std::vector<std::string>{std::string(size, 'x'), "y", "zz"})) << size;
    }
    WriteFile(file, "a");
    lines = {"stale one", "stale two", "stale three"};
    EXPECT_TRUE(LoadPageLines(file, lines));
    EXPECT_EQ(lines, std::vector<std::string>{"a"});
    WriteFile(file, "");
    EXPECT_TRUE(LoadPageLines(file, lines));
    EXPECT_TRUE(lines.empty());
}

TEST(LoadPageLines, AFifoIsRefusedWithoutWaitingForAWriter) {
    test::TempDir dir;
    const auto fifo = dir.path() / "page.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> lines{"stale"};
    EXPECT_FALSE(LoadPageLines(fifo, lines));
    EXPECT_TRUE(lines.empty());
}

} // namespace
} // namespace vorn
