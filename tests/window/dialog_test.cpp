// The program's real dialogs as a person sees them: every message box's caption, text, icon,
// buttons and default, the save dialog and the folder browser, in Japanese, where they open.
#include <filesystem>
#include <fstream>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

#include "app/core/run_lock.h"
#include "app/window/application_setup.h"
#include "app/window/qt_prompt.h"
#include "catalogue/catalogue_db.h"
#include "tests/window/dialog_reader.h"
#include "tests/window/window_fixture.h"

namespace vorn::test {
namespace {

const QString kTitle = Utf8("ヴォルン商品情報取得ソフト");
const QStringList kOk = {QStringLiteral("OK")};
const QStringList kYesNo = {Utf8("はい(&Y)"), Utf8("いいえ(&N)")};

// What a box should show; the text is the caller's, the rest follows from its kind.
ShownBox InformationBox(const QString& text, const QString& caption) {
    return {caption, text, QMessageBox::Information, kOk, kOk[0], true};
}

ShownBox QuestionBox(const QString& text, const QString& caption, bool yesIsDefault = true) {
    return {caption, text, QMessageBox::Question, kYesNo, kYesNo[yesIsDefault ? 0 : 1], true};
}

void ExpectShown(const ShownBox& shown, const ShownBox& expected) {
    EXPECT_EQ(shown.title, expected.title);
    EXPECT_EQ(shown.text, expected.text);
    EXPECT_EQ(shown.icon, expected.icon) << shown.text.toStdString();
    EXPECT_EQ(shown.buttons, expected.buttons) << shown.text.toStdString();
    EXPECT_EQ(shown.defaultButton, expected.defaultButton) << shown.text.toStdString();
    EXPECT_EQ(shown.onTop, expected.onTop) << shown.text.toStdString();
}

bool HasEnglish(const QString& text) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    return word.match(text).hasMatch();
}

// Labels and buttons a person reads in a dialog that still speak English (UTF-8, to print).
std::vector<std::string> EnglishTexts(const QWidget& dialog) {
    std::vector<std::string> found;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->isVisible() && HasEnglish(label->text())) {
            found.push_back(label->text().toStdString());
        }
    }
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->isVisible() && HasEnglish(button->text())) {
            found.push_back(button->text().toStdString());
        }
    }
    return found;
}

TEST(QtPromptTest, BoxesShowTheirCaptionAloneAndAnswerToTheKeys) {
    struct Case {
        const char* name;
        std::function<bool(QtPrompt&)> show; // returns the answer, true where there is none
        int key;
        ShownBox expected;
        bool answer;
    };
    const QString text = Utf8("取得処理を中断します。\nよろしいですか？");
    const Case cases[] = {
        {"information",
         [&](QtPrompt& p) {
             p.Information(nullptr, text, QStringLiteral("Error"));
             return true;
         },
         Qt::Key_Return, InformationBox(text, QStringLiteral("Error")), true},
        {"question, Y", [&](QtPrompt& p) { return p.Question(nullptr, text, Utf8("中断確認"), true); }, Qt::Key_Y,
         QuestionBox(text, Utf8("中断確認")), true},
        {"question, N", [&](QtPrompt& p) { return p.Question(nullptr, text, Utf8("中断確認"), true); }, Qt::Key_N,
         QuestionBox(text, Utf8("中断確認")), false},
        {"question, Return takes the default Yes",
         [&](QtPrompt& p) { return p.Question(nullptr, text, Utf8("変更確認"), true); }, Qt::Key_Return,
         QuestionBox(text, Utf8("変更確認")), true},
        {"question, Return takes the default No",
         [&](QtPrompt& p) { return p.Question(nullptr, text, Utf8("処理終了"), false); }, Qt::Key_Return,
         QuestionBox(text, Utf8("処理終了"), false), false},
        {"the standard error display",
         [&](QtPrompt& p) {
             p.Error(nullptr, text);
             return true;
         },
         Qt::Key_Return,
         {kTitle, text, QMessageBox::Critical, kOk, kOk[0], true},
         true},
        {"a plain message",
         [&](QtPrompt& p) {
             p.Message(nullptr, text);
             return true;
         },
         Qt::Key_Return,
         {kTitle, text, QMessageBox::NoIcon, kOk, kOk[0], true},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QtPrompt prompt;
        bool answer = !c.answer;
        ExpectShown(AnswerBox([&] { answer = c.show(prompt); }, c.key), c.expected);
        EXPECT_EQ(answer, c.answer);
    }
}

TEST(QtPromptTest, SaveDialogOpensInTheGivenFolderInJapaneseAndAsksBeforeReplacing) {
    TempDir folder;
    const QString path = QString::fromStdString(folder.path().string());
    std::ofstream(folder.path() / "old.csv") << "older";
    const QString title = Utf8("取得情報の保存先を指定してください");
    const QStringList filters = {Utf8("CSVファイル (*.csv)"), Utf8("CSVファイル UTF-8 (*.csv)"),
                                 Utf8("Excelブック (*.xlsx)")};

    std::vector<std::string> english;
    ShownBox replaceQuestion;
    std::optional<SaveChoice> chosen;
    WhileOpen(
        [&] {
            chosen = QtPrompt().SaveFileName(nullptr, title, filters, path, Utf8("東京都_ヴォルン商品リスト.csv"), 0);
        },
        [&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                replaceQuestion = ReadBox(*box);
                QTest::keyClick(box, Qt::Key_Y);
                return;
            }
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), title);
            EXPECT_EQ(dialog->nameFilters(), filters);
            EXPECT_EQ(dialog->selectedNameFilter(), filters[0]);
            EXPECT_EQ(dialog->directory().absolutePath(), path);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(name->text(), Utf8("東京都_ヴォルン商品リスト.csv"));
            english = EnglishTexts(*dialog);
            name->setText(QStringLiteral("old.csv"));
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        });
    EXPECT_EQ(english, std::vector<std::string>());
    EXPECT_EQ(replaceQuestion.title, title);
    EXPECT_EQ(replaceQuestion.buttons, kYesNo);
    EXPECT_TRUE(replaceQuestion.text.contains(QStringLiteral("old.csv")));
    EXPECT_FALSE(HasEnglish(QString(replaceQuestion.text).remove(QStringLiteral("old.csv"))))
        << replaceQuestion.text.toStdString();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, path + QStringLiteral("/old.csv"));
    EXPECT_EQ(chosen->filter, 0);
}

TEST(QtPromptTest, FolderBrowserOpensAtTheGivenFolderAndOnlyPicksFolders) {
    TempDir folder;
    std::filesystem::create_directory(folder.path() / "images");
    const QString path = QString::fromStdString(folder.path().string());
    const QString title = Utf8("画像の保存先フォルダを指定して下さい。");

    std::optional<QString> chosen;
    WhileOpen([&] { chosen = QtPrompt().BrowseFolder(nullptr, title, path); },
              [&](QWidget* modal) {
                  auto* dialog = qobject_cast<QFileDialog*>(modal);
                  ASSERT_NE(dialog, nullptr);
                  EXPECT_EQ(dialog->windowTitle(), title);
                  EXPECT_EQ(dialog->directory().absolutePath(), path);
                  EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
                  EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
                  const auto* newFolder = dialog->findChild<QWidget*>(QStringLiteral("newFolderButton"));
                  EXPECT_TRUE(newFolder == nullptr || !newFolder->isVisible()) << "no button for a new folder";
                  EXPECT_EQ(EnglishTexts(*dialog), std::vector<std::string>());
                  dialog->selectFile(path + QStringLiteral("/images"));
                  QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
              });
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, path + QStringLiteral("/images"));
}

// The window with its real message boxes, answered from the keyboard.
class RealDialogTest : public SiteWindowTest {
protected:
    void SetUp() override {
        ServeSite();
        content->SetSearch(kSearch, {{1, 2, 3}, std::nullopt});
        prompt.ShowRealBoxes();
        Open();
    }

    void CheckTokyoAndBicycles() {
        ClickCheckBox(Area(kTokyoItem));
        ClickCheckBox(Node(node::kBicycle));
    }

    void Start(const std::filesystem::path& path) {
        prompt.QueueSaveFile(QString::fromStdString(path.string()));
        window->btnAction->click();
    }

    ShownBox LastShown() const { return prompt.Messages().back().shown; }

    static constexpr const char* kSearch = "tokyo/sale-bic/g-all";
    static constexpr int kTokyoItem = 12;
    TempDir output;
};

TEST_F(RealDialogTest, StartRefusals) {
    const auto refused = [this](const char* text) {
        ASSERT_FALSE(prompt.Messages().empty());
        ExpectShown(LastShown(), InformationBox(Utf8(text), QStringLiteral("Error")));
        EXPECT_FALSE(window->btnCancel->isEnabled());
    };
    window->btnAction->click();
    refused("取得する地域を１つ以上選択してください。");

    ClickCheckBox(Area(kTokyoItem));
    window->btnAction->click();
    refused("取得するジャンルを１つ以上選択してください。");

    ClickCheckBox(Node(node::kBicycle));
    window->chkImgSave->click();
    window->txtDirPath->setText(QStringLiteral("  "));
    window->btnAction->click();
    refused("商品画像の保存先が指定されていません。");

    window->txtDirPath->setText(QString::fromStdString((output.path() / "nothing").string()));
    window->btnAction->click();
    refused("指定された商品画像保存フォルダが見つかりません。");

    window->chkImgSave->click();
    std::filesystem::create_directory(output.path() / "list.csv");
    Start(output.path() / "list.csv");
    refused("選択されたファイルが他のアプリケーションで使用中の為\n開くことができませんでした。");
}

TEST_F(RealDialogTest, StartAndRefreshesWaitForTheTerminalProgramsRun) {
    CheckTokyoAndBicycles();
    const std::filesystem::path csv = output.path() / "list.csv";
    {
        // What a crawl or refresh of vorn-search-cli holds while it runs.
        const auto terminalRun = InstanceLock::AcquireFile(RunLockFile(programDir.path()));
        ASSERT_TRUE(terminalRun);
        const auto refusedBeforeTheSaveDialog = [this] {
            ASSERT_FALSE(prompt.Messages().empty());
            ExpectShown(LastShown(),
                        InformationBox(Utf8("他の取得処理が実行中です。\n終了してから再度実行してください。"),
                                       QStringLiteral("Error")));
            EXPECT_TRUE(prompt.CallsOf(PromptCall::Kind::SaveFile).empty());
            EXPECT_TRUE(window->btnAction->isEnabled()) << "the window stays idle";
            prompt.ClearCalls();
        };
        window->btnAction->click();
        refusedBeforeTheSaveDialog();
        window->btnUpdateAreaClick();
        refusedBeforeTheSaveDialog();
        EXPECT_TRUE(site.Requests().empty());
    }
    Start(csv);
    prompt.QueueQuestion(false);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(std::filesystem::exists(csv)) << "once the terminal run has ended, Start runs";
    EXPECT_TRUE(InstanceLock::AcquireFile(RunLockFile(programDir.path()))) << "and the run let the lock go";
}

TEST_F(RealDialogTest, ClearAsksFirst) {
    window->txtWord->setText(Utf8("椅子"));
    prompt.QueueQuestion(false);
    window->btnClear->click();
    ExpectShown(LastShown(), QuestionBox(Utf8("設定した条件を初期化します。\nよろしいですか？"), Utf8("変更確認")));
    EXPECT_EQ(window->txtWord->text(), Utf8("椅子")) << "N keeps the conditions";

    prompt.QueueQuestion(true);
    window->btnClear->click();
    EXPECT_TRUE(window->txtWord->text().isEmpty()) << "Y resets them";
}

TEST_F(RealDialogTest, EndOfRunMessages) {
    CheckTokyoAndBicycles();
    const std::filesystem::path csv = output.path() / "list.csv";
    // The file is gone by the time the user answers Yes.
    prompt.QueueQuestion(true, [&] { std::filesystem::remove(csv); });
    Start(csv);
    ASSERT_TRUE(WaitUntilIdle());
    const std::vector<PromptCall> messages = prompt.Messages();
    ASSERT_EQ(messages.size(), 2u);
    ExpectShown(messages[0].shown, QuestionBox(Utf8("商品情報の取得が完了しました。\n保存したファイルを開きますか？"),
                                               Utf8("処理終了"), false));
    ExpectShown(messages[1].shown, InformationBox(Utf8("該当するファイルが見つかりませんでした。"), Utf8("処理終了")));

    struct Case {
        const char* name;
        std::function<std::filesystem::path()> arrange;
        ShownBox expected;
    };
    const Case cases[] = {
        {"nothing found",
         [this] {
             content->SetSearch(kSearch, {{}, 0});
             return output.path() / "none.csv";
         },
         InformationBox(Utf8("条件に該当する商品情報は見つかりませんでした。"), Utf8("検索終了"))},
        {"site unreachable",
         [this] {
             content->SetFault(kSearch, site::PageFault::ServerError);
             return output.path() / "site.csv";
         },
         InformationBox(
             Utf8("サイトへのアクセスができませんでした。\r\nしばらく時間を置いてから再度実行してください。"),
             QStringLiteral("Error"))},
        {"not saved", [this] { return output.path() / "missing" / "list.csv"; },
         InformationBox(Utf8("取得情報の保存に失敗しました。\n保存先の空き容量や書き込み権限を確認してください。"),
                        QStringLiteral("Error"))},
        {"results pages not read",
         [this] {
             content->SetFault(kSearch, site::PageFault::Redesigned);
             return output.path() / "redesigned.csv";
         },
         InformationBox(Utf8("サイトのページ形式を認識できませんでした。\nサイトの仕様が変更された可能性があります。"),
                        QStringLiteral("Error"))},
        {"site refuses",
         [this] {
             content->SetStatus(kSearch, 403);
             return output.path() / "refused.csv";
         },
         InformationBox(
             Utf8("サイトにアクセスを拒否されました（HTTP 403）。\n時間をおいてから、もう一度お試しください。"
                  "\nアクセスを拒否されたページ: 検索結果 1件、商品ページ 0件"),
             QStringLiteral("Error"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.ClearCalls();
        Start(c.arrange());
        ASSERT_TRUE(WaitUntilIdle());
        ASSERT_EQ(prompt.Messages().size(), 1u);
        ExpectShown(LastShown(), c.expected);
    }
}

TEST_F(RealDialogTest, CancelAndCloseQuestions) {
    CheckTokyoAndBicycles();
    // Long pauses keep the run going while the questions are open.
    window->SetCrawlPause(std::chrono::seconds(2));
    Start(output.path() / "cancelled.csv");
    prompt.QueueQuestion(true);
    window->btnCancel->click();
    ExpectShown(LastShown(), QuestionBox(Utf8("取得処理を中断します。\nよろしいですか？"), Utf8("中断確認")));
    ASSERT_TRUE(WaitUntilIdle());

    Start(output.path() / "closing.csv");
    prompt.QueueQuestion(true);
    EXPECT_FALSE(window->close());
    ExpectShown(LastShown(), QuestionBox(Utf8("取得処理の実行中ですが終了しますか？"), Utf8("終了確認")));
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(terminated);
}

TEST_F(RealDialogTest, AnErrorNoHandlerExpectedIsShownUnderTheProgramsTitle) {
    CheckTokyoAndBicycles();
    {
        CatalogueDb db;
        db.Configure(programDir.databaseFile());
        db.Execute("DROP TABLE T00_DATA");
    }
    Start(output.path() / "never.csv");
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(LastShown().title, kTitle);
    EXPECT_EQ(LastShown().icon, QMessageBox::Critical);
    EXPECT_EQ(LastShown().buttons, kOk);
}

class RealDialogWithoutDatabaseTest : public WindowWithoutDatabaseTest {};

TEST_F(RealDialogWithoutDatabaseTest, MissingDatabaseIsASettingsError) {
    prompt.ShowRealBoxes();
    Open();
    ASSERT_EQ(prompt.Messages().size(), 1u);
    ExpectShown(
        prompt.Messages()[0].shown,
        InformationBox(Utf8("DBファイルの設定が正しくありません。\n管理者に確認してください。"), Utf8("設定エラー")));
    EXPECT_TRUE(terminated);
}

TEST_F(RealDialogTest, TheSaveDialogOpensInDocumentsThenWhereTheUserSavedLast) {
    CheckTokyoAndBicycles();
    prompt.QueueSaveFile(std::nullopt);
    window->btnAction->click();
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::SaveFile).back().folder, DocumentsFolder());

    std::filesystem::create_directory(output.path() / "lists");
    prompt.QueueQuestion(false);
    Start(output.path() / "lists" / "today");
    ASSERT_TRUE(WaitUntilIdle());
    prompt.QueueSaveFile(std::nullopt);
    window->btnAction->click();
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::SaveFile).back().folder,
              QString::fromStdString((output.path() / "lists").string()));

    prompt.QueueFolder(std::nullopt);
    window->chkImgSave->click();
    window->btnDirPath->click();
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::BrowseFolder).back().folder, DesktopFolder());
}

TEST(DialogFoldersTest, StandardFoldersFallBackToHome) {
    TempDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QByteArray::fromStdString(home.path().string()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home.path() / ".config").string()));
    const QString homePath = QString::fromStdString(home.path().string());

    EXPECT_EQ(DocumentsFolder(), homePath);
    EXPECT_EQ(DesktopFolder(), homePath);
    std::filesystem::create_directory(home.path() / "Documents");
    std::filesystem::create_directory(home.path() / "Desktop");
    EXPECT_EQ(DocumentsFolder(), homePath + QStringLiteral("/Documents"));
    EXPECT_EQ(DesktopFolder(), homePath + QStringLiteral("/Desktop"));

    qputenv("HOME", oldHome);
    if (oldConfig.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", oldConfig);
    }
}

} // namespace
} // namespace vorn::test
