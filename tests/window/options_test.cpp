// 取得オプション, the real dialog opened by the window's button: what OK, キャンセル, 保存,
// 読み込み and 削除 leave in db/vrn.ini and in the window.
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/window/options_dialog.h"
#include "tests/window/window_fixture.h"

namespace vorn::test {
namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class OptionsTest : public WindowTest {
protected:
    // Opens the dialog by the window's button and lets act use it while it is open; the dialog
    // closed by act's OK or キャンセル, or closed here. True when it was open.
    bool WithDialog(const std::function<void(OptionsDialog&)>& act) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            opened = dialog->windowTitle() == Utf8("取得オプション");
            act(*dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        window->btnOption->click();
        return opened;
    }
};

TEST_F(OptionsTest, OkKeepsTheOptionsSavedSearchesLoadAndDeleteAndCancelWritesNothing) {
    Open();
    ClickCheckBox(Area(12)); // 東京都
    ClickCheckBox(Node(node::kSofa));
    const std::string areas = AreaMarks();
    const std::string genres = TreeMarks();
    ASSERT_TRUE(WithDialog([&](OptionsDialog& dialog) {
        EXPECT_TRUE(dialog.rdoAll->isChecked());
        dialog.rdoChangesOnly->click();
        dialog.txtExclude->setPlainText(Utf8("ジャンク"));
        dialog.txtSavedName->setText(Utf8("ソファ東京"));
        dialog.btnSave->click();
        dialog.btnOk->click();
    }));
    const std::string saved = SettingsText();
    EXPECT_TRUE(Contains(saved, "[Options]\r\nMode=changes-only\r\n")) << saved;
    EXPECT_TRUE(Contains(saved, "[Filter]\r\nExclude=ジャンク\r\nMinPrice=\r\nMaxPrice=\r\nOpenOnly=0\r\n")) << saved;
    EXPECT_TRUE(Contains(saved, "Retries=0\r\n")) << saved;
    EXPECT_TRUE(Contains(saved, "[Saved:ソファ東京]\r\nWord=\r\nAreasel=0\r\n")) << saved;
    EXPECT_TRUE(Contains(saved, "Ctgrlist=" + genres + "\r\nArealist=" + areas + "\r\nExclude=ジャンク\r\n")) << saved;
    EXPECT_TRUE(Contains(saved, "ExcludePosters=\r\nMode=changes-only\r\n")) << saved;

    // キャンセル: nothing changed, the saved search loaded into a cleared window all the same.
    prompt.QueueQuestion(true);
    window->btnClear->click();
    prompt.QueueQuestion(true);
    ASSERT_TRUE(WithDialog([&](OptionsDialog& dialog) {
        EXPECT_TRUE(dialog.rdoChangesOnly->isChecked());
        dialog.rdoAll->click();
        dialog.txtExclude->clear();
        dialog.lstSaved->setCurrentRow(0);
        dialog.btnLoad->click();
        EXPECT_TRUE(dialog.rdoChangesOnly->isChecked());
        EXPECT_EQ(dialog.txtExclude->toPlainText(), Utf8("ジャンク"));
        dialog.btnCancel->click();
    }));
    EXPECT_EQ(SettingsText(), saved);
    EXPECT_EQ(AreaMarks(), areas);
    EXPECT_EQ(TreeMarks(), genres);

    ASSERT_TRUE(WithDialog([&](OptionsDialog& dialog) {
        dialog.lstSaved->setCurrentRow(0);
        dialog.btnDelete->click();
        EXPECT_EQ(dialog.lstSaved->count(), 0);
    }));
    const PromptCall asked = prompt.CallsOf(PromptCall::Kind::Question).back();
    EXPECT_EQ(asked.caption, Utf8("変更確認"));
    EXPECT_EQ(asked.text, Utf8("保存した検索「ソファ東京」を削除します。\nよろしいですか？"));
    EXPECT_FALSE(Contains(SettingsText(), "Saved:")) << SettingsText();
    EXPECT_TRUE(prompt.AllAnswersUsed());
}

TEST_F(OptionsTest, BadValuesAreRefusedNamingTheFieldAndWriteNothing) {
    struct Case {
        std::function<void(OptionsDialog&)> enter;
        const char* says;
    };
    const Case cases[] = {
        {[](OptionsDialog& d) { d.txtMinPrice->setText(Utf8("千円")); },
         "最低価格には円単位の整数を入力してください。"},
        {[](OptionsDialog& d) { d.txtMaxPrice->setText(QStringLiteral("1.5")); },
         "最高価格には円単位の整数を入力してください。"},
        {[](OptionsDialog& d) {
             d.txtMinPrice->setText(QStringLiteral("5000"));
             d.txtMaxPrice->setText(Utf8("１，０００円"));
         },
         "最低価格が最高価格を上回っています。"},
        {[](OptionsDialog& d) { d.txtExclude->setPlainText(QStringLiteral("a\nb,c")); },
         "除外する語に「,」は使えません。"},
        {[](OptionsDialog& d) { d.txtPosters->setPlainText(QStringLiteral("x,y")); },
         "除外する出品者に「,」は使えません。"},
    };
    Open();
    const std::string before = SettingsText();
    for (const Case& c : cases) {
        prompt.ClearCalls();
        ASSERT_TRUE(WithDialog([&](OptionsDialog& dialog) {
            c.enter(dialog);
            dialog.btnOk->click();
            EXPECT_TRUE(dialog.isVisible()) << c.says;
            dialog.txtSavedName->setText(QStringLiteral("kept"));
            dialog.btnSave->click();
        }));
        ASSERT_EQ(prompt.Messages().size(), 2u) << c.says;
        for (const PromptCall& call : prompt.Messages()) {
            EXPECT_EQ(call.text, Utf8(c.says));
            EXPECT_EQ(call.caption, QStringLiteral("Error"));
        }
        EXPECT_EQ(SettingsText(), before) << c.says;
    }
    prompt.ClearCalls();
    ASSERT_TRUE(WithDialog([](OptionsDialog& dialog) { dialog.btnSave->click(); }));
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].text, Utf8("保存名を入力してください。"));
}

} // namespace
} // namespace vorn::test
