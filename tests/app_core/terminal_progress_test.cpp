#include "app/cli/terminal_progress.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace vorn::cli {
namespace {

TEST(DisplayWidthTest, CountsWideCharactersTwice) {
    EXPECT_EQ(DisplayWidth("abc"), 3);
    EXPECT_EQ(DisplayWidth("東京都 - 家具"), 13);
    EXPECT_EQ(DisplayWidth("ｱｲｳ"), 3) << "half-width katakana";
    EXPECT_EQ(DisplayWidth("３件"), 4);

    EXPECT_EQ(FitToWidth("東京都", 5), "東京") << "a character never splits";
    EXPECT_EQ(FitToWidth("東京都", 6), "東京都");
    EXPECT_EQ(FitToWidth("ab東", 3), "ab");
    EXPECT_EQ(FitToWidth("abc", 0), "");
}

TEST(TerminalProgressTest, RedrawsOneLineInPlaceCutToTheTerminal) {
    std::ostringstream out;
    TerminalProgress progress(out, true, [] { return 30; });
    progress.Init(2);
    progress.Step();
    progress.ShowStatus("東京都 - 家具 : 3件/120件 取得中...");
    progress.Note("stopping");
    progress.Finish();

    const std::string text = out.str();
    EXPECT_NE(text.find("\r[--------------------] 0/2\x1b[K"), std::string::npos) << text;
    // 29 columns: the bar (23), "1/2" and two blanks leave one column, too few for a wide character.
    EXPECT_NE(text.find("\r[##########----------] 1/2  \x1b[K"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\x1b[Kstopping\n"), std::string::npos) << "the note replaces the bar line";
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\n'), text.find("stopping") + 8) << "no other line ends before the finish";
}

TEST(TerminalProgressTest, WritesALinePerChangeWithoutControlCharacters) {
    std::ostringstream out;
    TerminalProgress progress(out, false);
    progress.ShowStatus("ページ情報を取得中です。");
    progress.Init(2);
    progress.Step();
    progress.ShowStatus("A : 0件/0件 取得中...");
    progress.ShowStatus("A : 0件/0件 取得中...");
    progress.Step();
    progress.ShowStatus("B : 1件/5件 取得中...");
    progress.Finish();
    EXPECT_EQ(out.str(), "ページ情報を取得中です。\n"
                         "1/2  A : 0件/0件 取得中...\n"
                         "2/2  B : 1件/5件 取得中...\n");
}

} // namespace
} // namespace vorn::cli
