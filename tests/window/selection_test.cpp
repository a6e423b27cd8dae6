// The area list and the genre tree as the user works them: marks that follow each other, and
// the program's own changes never taken for the user's.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

#include "catalogue/catalogue_db.h"
#include "catalogue/widgets/area_selection.h"
#include "catalogue/widgets/genre_tree.h"
#include "tests/window/window_fixture.h"

namespace vorn::test {
namespace {

class SelectionTest : public WindowTest {
protected:
    void SetUp() override {
        Open();
        window->TreeView->expandAll();
        ProcessEvents();
    }
};

TEST_F(SelectionTest, ClickingAGenreBoxChecksAndUnchecksItsSubGenres) {
    ClickCheckBox(Node(node::kFurniture));
    EXPECT_EQ(TreeMarks().substr(0, 5), "11110");

    ClickCheckBox(Node(node::kFurniture));
    EXPECT_EQ(TreeMarks().substr(0, 5), "00000");
}

TEST_F(SelectionTest, GenreFollowsItsSubGenres) {
    ClickCheckBox(Node(node::kSofa));
    ClickCheckBox(Node(node::kBed));
    EXPECT_FALSE(NodeChecked(node::kFurniture)) << "a sibling is still unchecked";

    ClickCheckBox(Node(node::kShelf));
    EXPECT_TRUE(NodeChecked(node::kFurniture)) << "the last sibling checks the genre";

    ClickCheckBox(Node(node::kBed));
    EXPECT_EQ(TreeMarks().substr(0, 4), "0101") << "the genre drops, the other sub-genres stay";
}

TEST_F(SelectionTest, PressesThatMissTheBoxChangeNoMark) {
    ClickText(Node(node::kFurniture));
    ClickText(Node(node::kSofa));
    ClickCheckBox(Node(node::kElectric), Qt::RightButton);
    ClickText(Node(node::kBicycle), Qt::RightButton);
    EXPECT_EQ(TreeMarks(), std::string(node::kCount, '0'));
}

TEST_F(SelectionTest, SpaceTogglesTheCurrentNodeWithTheSameRules) {
    PressSpace(Node(node::kElectric));
    EXPECT_EQ(TreeMarks().substr(4, 3), "111");

    PressSpace(Node(node::kFridge));
    EXPECT_EQ(TreeMarks().substr(4, 3), "010");
}

TEST_F(SelectionTest, ChkItemChecksEveryNodeAndDropsWhenOneIsUnchecked) {
    window->chkItem->click();
    EXPECT_EQ(TreeMarks(), std::string(node::kCount, '1'));
    EXPECT_TRUE(window->chkItem->isChecked());

    ClickCheckBox(Node(node::kTelevision));
    EXPECT_FALSE(window->chkItem->isChecked());
    std::string expected(node::kCount, '1');
    expected[node::kElectric] = '0';
    expected[node::kTelevision] = '0';
    EXPECT_EQ(TreeMarks(), expected) << "only the node and its genre change";

    ClickCheckBox(Node(node::kTelevision));
    EXPECT_TRUE(window->chkItem->isChecked()) << "every node checked again";
}

TEST_F(SelectionTest, ChkItemStaysOffWhileAGenreWithoutSubGenresIsUnchecked) {
    // chkItem stands for every genre in a run, so an unchecked genre must keep it off.
    for (int i = 0; i < node::kCount; ++i) {
        if (i != node::kBicycle && !NodeChecked(i)) {
            ClickCheckBox(Node(i));
        }
    }
    EXPECT_FALSE(window->chkItem->isChecked());

    ClickCheckBox(Node(node::kBicycle));
    EXPECT_TRUE(window->chkItem->isChecked());
}

TEST_F(SelectionTest, ExpandAndCollapseButtonsSelectTheFirstNode) {
    window->TreeView->collapseAll();
    window->TreeView->setCurrentItem(Node(node::kBicycle));

    window->spbExpand->click(); // captioned "-"
    EXPECT_TRUE(Node(node::kFurniture)->isExpanded());
    EXPECT_EQ(window->TreeView->currentItem(), Node(0));

    window->spbCollapse->click(); // captioned "+"
    EXPECT_FALSE(Node(node::kElectric)->isExpanded());
}

TEST_F(SelectionTest, ChkAreaChecksTheWholeListAndFollowsIt) {
    window->chkArea->click();
    EXPECT_EQ(AreaMarks(), std::string(47, '1'));

    ClickCheckBox(Area(5));
    EXPECT_FALSE(window->chkArea->isChecked());
    std::string expected(47, '1');
    expected[5] = '0';
    EXPECT_EQ(AreaMarks(), expected) << "the other items keep their marks";

    ClickCheckBox(Area(5));
    EXPECT_TRUE(window->chkArea->isChecked()) << "the last unchecked item checks chkArea";

    window->chkArea->click();
    EXPECT_EQ(AreaMarks(), std::string(47, '0'));
}

TEST_F(SelectionTest, PickingAPrefectureListsItsCitiesUnchecked) {
    window->chkArea->click();
    PickCombo(kTokyo);

    ASSERT_EQ(window->clstArea->count(), kTokyoCities);
    EXPECT_EQ(Area(0)->text(), Utf8("千代田区"));
    EXPECT_EQ(Area(3)->text(), Utf8("新宿区"));
    EXPECT_EQ(AreaMarks(), "0000");
    EXPECT_FALSE(window->chkArea->isChecked());
    EXPECT_EQ(window->clstArea->currentRow(), 0);

    PickCombo(0);
    ASSERT_EQ(window->clstArea->count(), 47);
    EXPECT_EQ(Area(0)->text(), Utf8("北海道"));
    EXPECT_EQ(Area(46)->text(), Utf8("沖縄県"));
}

TEST_F(SelectionTest, AFailedCityQueryLeavesTheListEmpty) {
    window->chkArea->click();
    {
        CatalogueDb db;
        db.Configure(programDir.databaseFile());
        db.Execute("DROP TABLE T02_CITY");
    }
    PickCombo(kTokyo);
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Error).size(), 1u);
    EXPECT_EQ(window->clstArea->count(), 0) << "no prefecture or check left under the city choice";

    window->btnAction->click();
    ASSERT_EQ(prompt.Messages().size(), 2u);
    EXPECT_EQ(prompt.Messages()[1].text, Utf8("取得する地域を１つ以上選択してください。"));
    EXPECT_TRUE(prompt.CallsOf(PromptCall::Kind::SaveFile).empty());
}

TEST_F(SelectionTest, CodeSelectingAComboItemDoesNotReloadTheList) {
    ClickCheckBox(Area(2));
    window->cmbArea->setCurrentIndex(kTokyo);
    ProcessEvents();
    EXPECT_EQ(window->clstArea->count(), 47);
    EXPECT_EQ(AreaMarks()[2], '1');
}

TEST_F(SelectionTest, ClearResetsEveryConditionAfterYes) {
    window->txtWord->setText(Utf8("椅子"));
    window->chkImgSave->click();
    window->txtDirPath->setText(QStringLiteral("/somewhere/"));
    PickCombo(kTokyo);
    ClickCheckBox(Area(1));
    window->chkItem->click();

    prompt.QueueQuestion(false);
    window->btnClear->click();
    EXPECT_EQ(window->txtWord->text(), Utf8("椅子")) << "No changes nothing";

    prompt.QueueQuestion(true);
    window->btnClear->click();
    const std::vector<PromptCall> asked = prompt.CallsOf(PromptCall::Kind::Question);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, Utf8("設定した条件を初期化します。\nよろしいですか？"));
    EXPECT_EQ(asked[1].caption, Utf8("変更確認"));
    EXPECT_TRUE(window->txtWord->text().isEmpty());
    EXPECT_EQ(window->txtDirPath->text(), QDir::homePath() + QStringLiteral("/"));
    EXPECT_FALSE(window->chkImgSave->isChecked());
    EXPECT_FALSE(window->txtDirPath->isEnabled());
    EXPECT_EQ(window->cmbArea->currentIndex(), 0);
    EXPECT_EQ(window->clstArea->count(), 47);
    EXPECT_EQ(AreaMarks(), std::string(47, '0'));
    EXPECT_FALSE(window->chkItem->isChecked());
    EXPECT_EQ(TreeMarks(), std::string(node::kCount, '0'));
    EXPECT_FALSE(Node(node::kFurniture)->isExpanded());
    EXPECT_EQ(window->TreeView->currentItem(), Node(0));
    EXPECT_FALSE(SettingsExist()) << "Clear writes no settings";
}

} // namespace
} // namespace vorn::test
