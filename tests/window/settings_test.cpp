// The conditions kept in db/vrn.ini across starts, and the start-up without a database.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "catalogue/widgets/genre_tree.h"
#include "tests/window/window_fixture.h"

namespace vorn::test {
namespace {

using SettingsTest = WindowTest;

std::string ConfigText(const std::string& ctgrlist, int areasel, const std::string& arealist) {
    return "[Config]\r\nWord=\r\nAreasel=" + std::to_string(areasel) +
           "\r\nImageDir=\r\nCheckImage=0\r\nCtgrlist=" + ctgrlist + "\r\nArealist=" + arealist + "\r\n";
}

TEST_F(SettingsTest, WithoutASettingsFileTheFirstNodeAndItemAreSelected) {
    Open();
    EXPECT_EQ(window->TreeView->currentItem(), Node(0));
    EXPECT_EQ(window->clstArea->currentRow(), 0);
    EXPECT_EQ(TreeMarks(), std::string(node::kCount, '0'));
    EXPECT_TRUE(prompt.calls().empty());
}

TEST_F(SettingsTest, CityModeSelectionSurvivesARestart) {
    Open();
    window->txtWord->setText(Utf8("  椅子 "));
    window->chkImgSave->click();
    window->txtDirPath->setText(QStringLiteral(" /data/photos/ "));
    PickCombo(kTokyo);
    ClickCheckBox(Area(1));
    ClickCheckBox(Area(3));
    window->TreeView->expandAll();
    ClickCheckBox(Node(node::kBed));
    ASSERT_TRUE(Close());

    const std::string saved = SettingsText();
    EXPECT_NE(saved.find("[Config]\r\nWord=椅子\r\nAreasel=13\r\nImageDir=/data/photos/\r\nCheckImage=1\r\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("Ctgrlist=0010" + std::string(node::kCount - 4, '0') + "\r\nArealist=0101\r\n"),
              std::string::npos)
        << saved;

    Reopen();
    EXPECT_EQ(window->txtWord->text(), Utf8("椅子"));
    EXPECT_EQ(window->txtDirPath->text(), QStringLiteral("/data/photos/"));
    EXPECT_TRUE(window->chkImgSave->isChecked());
    EXPECT_TRUE(window->txtDirPath->isEnabled());
    EXPECT_EQ(window->cmbArea->currentIndex(), kTokyo);
    ASSERT_EQ(window->clstArea->count(), kTokyoCities);
    EXPECT_EQ(AreaMarks(), "0101");
    EXPECT_EQ(window->clstArea->currentRow(), 1) << "the first checked city";
    EXPECT_FALSE(window->chkArea->isChecked());
    EXPECT_EQ(window->TreeView->currentItem(), Node(node::kBed)) << "the first checked node";
    EXPECT_TRUE(Node(node::kFurniture)->isExpanded()) << "a partly chosen genre opens";
    EXPECT_FALSE(window->chkItem->isChecked());
}

TEST_F(SettingsTest, AllCheckedListsRestoreTheAllBoxes) {
    WriteSettings(ConfigText(std::string(node::kCount, '1'), 0, std::string(47, '1')));
    Open();
    EXPECT_TRUE(window->chkItem->isChecked());
    EXPECT_TRUE(window->chkArea->isChecked());
    EXPECT_EQ(TreeMarks(), std::string(node::kCount, '1'));
    EXPECT_EQ(AreaMarks(), std::string(47, '1'));
    ASSERT_TRUE(Close());

    Reopen();
    EXPECT_TRUE(window->chkItem->isChecked());
    EXPECT_TRUE(window->chkArea->isChecked());
}

TEST_F(SettingsTest, SavedMarksAreAppliedByPositionAsSaved) {
    struct Case {
        const char* name;
        std::string ctgrlist;
        std::string arealist;
        int areasel;
        std::string treeMarks;
        std::string areaMarks;
        int selectedNode;
        int selectedArea;
    };
    const std::string noNodes(node::kCount, '0');
    const Case cases[] = {
        {"one 0 among 1s: chkItem off, no mark propagated", "10" + std::string(node::kCount - 2, '1'), "", 0,
         "10" + std::string(node::kCount - 2, '1'), std::string(47, '0'), 0, 0},
        {"sub-genre alone, genre left unchecked", "01" + std::string(node::kCount - 2, '0'), "", 0,
         "01" + std::string(node::kCount - 2, '0'), std::string(47, '0'), node::kSofa, 0},
        {"short strings and other characters count as unchecked", "x1", "0x01", kTokyo,
         "01" + std::string(node::kCount - 2, '0'), "0001", node::kSofa, 3},
        {"extra characters are ignored", noNodes + "111", "00001111", kTokyo, noNodes, "0000", 0, 0},
        {"a prefecture beyond the list keeps prefecture mode", "", "01", 48, noNodes, "01" + std::string(45, '0'), 0,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings(ConfigText(c.ctgrlist, c.areasel, c.arealist));
        Reopen();
        EXPECT_EQ(TreeMarks(), c.treeMarks);
        EXPECT_EQ(AreaMarks(), c.areaMarks);
        EXPECT_EQ(window->TreeView->currentItem(), Node(c.selectedNode));
        EXPECT_EQ(window->clstArea->currentRow(), c.selectedArea);
        EXPECT_FALSE(window->chkItem->isChecked());
        EXPECT_FALSE(window->chkArea->isChecked());
    }
}

TEST_F(SettingsTest, ImagesOnWithoutAFolderLeavesTheEditEmptyAndStartRefuses) {
    WriteSettings("[Config]\r\nCheckImage=1\r\nImageDir=\r\nArealist=1\r\nCtgrlist=1\r\n");
    Open();
    EXPECT_TRUE(window->txtDirPath->text().isEmpty());
    EXPECT_TRUE(window->txtDirPath->isEnabled());
    window->btnAction->click();
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].text, Utf8("商品画像の保存先が指定されていません。"));
}

TEST_F(SettingsTest, ClosingLeavesTheSiteSectionAsItIs) {
    WriteSettings("[Site]\r\nBaseUrl=https://127.0.0.1:1/\r\n");
    Open();
    ASSERT_TRUE(Close());
    const std::string saved = SettingsText();
    EXPECT_EQ(saved.find("[Site]\r\nBaseUrl=https://127.0.0.1:1/\r\n[Config]\r\nWord=\r\nAreasel=0\r\n"), 0u) << saved;
}

TEST_F(SettingsTest, AnUnwritableSettingsFileIsReportedAndTheWindowStillCloses) {
    Open();
    // A folder in the file's place: nothing can write it, not even the superuser.
    std::filesystem::create_directory(programDir.db() / "vrn.ini");
    EXPECT_TRUE(Close());
    ASSERT_EQ(prompt.CallsOf(PromptCall::Kind::Error).size(), 1u);
    const QString expected = QString::fromStdString((programDir.db() / "vrn.ini").string()) + Utf8(" に書き込めません");
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Error)[0].text, expected);
}

using MissingDatabaseTest = WindowWithoutDatabaseTest;

TEST_F(MissingDatabaseTest, StartUpShowsTheMessageAndEndsWithoutTouchingTheSettings) {
    WriteSettings("[Config]\r\nWord=kept\r\n");
    Open();
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].kind, PromptCall::Kind::Information);
    EXPECT_EQ(prompt.Messages()[0].text, Utf8("DBファイルの設定が正しくありません。\n管理者に確認してください。"));
    EXPECT_EQ(prompt.Messages()[0].caption, Utf8("設定エラー"));
    EXPECT_TRUE(terminated);
    EXPECT_TRUE(window->txtWord->text().isEmpty()) << "settings not read";
    EXPECT_EQ(window->TreeView->topLevelItemCount(), 0);
    EXPECT_EQ(window->clstArea->count(), 47) << "the design's prefectures stay";

    window->close();
    EXPECT_EQ(SettingsText(), "[Config]\r\nWord=kept\r\n") << "settings not written";
}

} // namespace
} // namespace vorn::test
