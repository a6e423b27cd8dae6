// Whole runs against the sample site, driven from the start button to the outcome: finishing,
// cancelling, closing during a run, and the failures a run can end in.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <tuple>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/window/options_dialog.h"
#include "catalogue/catalogue_db.h"
#include "catalogue/widgets/genre_tree.h"
#include "extract/csv_output.h"
#include "tests/app_core/child_process.h"
#include "tests/window/window_fixture.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "web/cp932.h"

namespace vorn::test {
namespace {

constexpr const char* kSearch = "tokyo/sale-bic/g-all"; // 東京都 x 自転車
constexpr int kTokyoItem = 12;

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class RunTest : public SiteWindowTest {
protected:
    void SetUp() override {
        ServeSite();
        content->SetSearch(kSearch, {{1, 2, 3}, std::nullopt});
        Open();
        ClickCheckBox(Area(kTokyoItem));
        ClickCheckBox(Node(node::kBicycle));
    }

    // Presses Start with the save dialog answered by path.
    void Start(const std::filesystem::path& path) {
        prompt.QueueSaveFile(QString::fromStdString(path.string()));
        window->btnAction->click();
    }

    std::vector<PromptCall::Kind> MessageKinds() const {
        std::vector<PromptCall::Kind> kinds;
        for (const PromptCall& call : prompt.calls()) {
            if (call.kind != PromptCall::Kind::SaveFile) {
                kinds.push_back(call.kind);
            }
        }
        return kinds;
    }

    void ExpectIdle() {
        EXPECT_TRUE(window->btnAction->isEnabled());
        EXPECT_TRUE(window->TreeView->isEnabled());
        EXPECT_TRUE(window->clstArea->isEnabled());
        EXPECT_FALSE(window->btnCancel->isEnabled());
        EXPECT_EQ(window->prgBar->value(), 0);
        EXPECT_TRUE(window->lblStatus->text().isEmpty());
        EXPECT_EQ(window->myThread(), nullptr);
    }

    TempDir output;
};

TEST_F(RunTest, AFinishedRunOffersTheFileAndOpensIt) {
    const std::filesystem::path csv = output.path() / "list.CSV";
    std::ofstream(csv) << "an older list";
    Start(csv);
    EXPECT_TRUE(window->btnCancel->isEnabled());
    EXPECT_FALSE(window->btnAction->isEnabled());
    EXPECT_FALSE(window->txtWord->isEnabled());
    EXPECT_EQ(window->lblStatus->text(), Utf8("ページ情報を取得中です。しばらくお待ちください。"));

    prompt.QueueQuestion(true);
    ASSERT_TRUE(WaitUntilIdle());

    EXPECT_EQ(window->csvFileName(), csv) << ".CSV in capitals is kept";
    using Kind = PromptCall::Kind;
    EXPECT_EQ(MessageKinds(), (std::vector<Kind>{Kind::Attention, Kind::Question, Kind::OpenFile}));
    const PromptCall asked = prompt.CallsOf(Kind::Question)[0];
    EXPECT_EQ(asked.text, Utf8("商品情報の取得が完了しました。\n保存したファイルを開きますか？"));
    EXPECT_EQ(asked.caption, Utf8("処理終了"));
    EXPECT_FALSE(asked.yesIsDefault);
    EXPECT_EQ(prompt.CallsOf(Kind::OpenFile)[0].text, QString::fromStdString(csv.string()));
    ExpectIdle();

    const std::string bytes = ReadBytes(csv);
    EXPECT_EQ(bytes.substr(0, CsvHeader().size()), CsvHeader());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 4) << "header and three listings";
    EXPECT_FALSE(std::filesystem::exists(programDir.scratchFile()));
    EXPECT_FALSE(SettingsText().find("[Config]") != std::string::npos) << "a run writes no settings";
}

TEST_F(RunTest, TheUtf8FileTypeKeepsWhatCodePage932Lacks) {
    content->SetTitle(2, "椅子 \xF0\x9F\xAA\x91 ő ①");
    const std::filesystem::path csv = output.path() / "utf8.csv";
    prompt.QueueSaveFile(QString::fromStdString(csv.string()), 1);
    window->btnAction->click();
    prompt.QueueQuestion(false);
    ASSERT_TRUE(WaitUntilIdle());

    const std::string bytes = ReadBytes(csv);
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF" + AnsiToUtf8(CsvHeader()) + "\r\n", 0), 0u)
        << "a byte-order mark, then the header";
    EXPECT_NE(bytes.find("椅子 \xF0\x9F\xAA\x91 ő ①"), std::string::npos);

    // The program's own type stays the first choice, in code page 932.
    Start(output.path() / "cp932.csv");
    prompt.QueueQuestion(false);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(ReadBytes(output.path() / "cp932.csv").rfind(CsvHeader() + "\r\n", 0), 0u);
}

TEST_F(RunTest, TheWorkbookTypeWritesAnXlsxFileWithItsRows) {
    prompt.QueueSaveFile(QString::fromStdString((output.path() / "book").string()), 2);
    window->btnAction->click();
    prompt.QueueQuestion(false);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(window->csvFileName(), output.path() / "book.xlsx");
    EXPECT_EQ(ReadBytes(output.path() / "book.xlsx").substr(0, 2), "PK") << "a zip container, written at the end";
}

// A typed .xlsx or .csv decides the file; the dialog reopens on the type written, also after a restart.
TEST_F(RunTest, ATypedExtensionDecidesTheFileAndTheDialogReopensOnItsType) {
    const std::tuple<const char*, int, const char*, int> cases[] = {
        {"day2.xlsx", 0, "PK", 2}, {"day3.CSV", 2, "\"", 0}, {"day4", 1, "\xEF\xBB\xBF", 1}};
    int opensOn = 0;
    for (const auto& [typed, selected, firstBytes, written] : cases) {
        prompt.QueueSaveFile(QString::fromStdString((output.path() / typed).string()), selected);
        window->btnAction->click();
        EXPECT_EQ(prompt.lastSaveFilter, opensOn) << typed;
        prompt.QueueQuestion(false);
        ASSERT_TRUE(WaitUntilIdle());
        EXPECT_EQ(window->csvFileName().filename().string().rfind(typed, 0), 0u) << window->csvFileName();
        EXPECT_EQ(ReadBytes(window->csvFileName()).rfind(firstBytes, 0), 0u) << typed;
        opensOn = written;
    }
    ASSERT_TRUE(Close());
    Reopen();
    prompt.QueueSaveFile(std::nullopt);
    window->btnAction->click();
    EXPECT_EQ(prompt.lastSaveFilter, opensOn);
}

// With a filter the counts line replaces the progress text once the last page is read, and stays.
TEST_F(RunTest, TheCountsLineFollowsTheLastPageAndStays) {
    ASSERT_TRUE(Close()); // the checks are kept in the settings and come back
    WriteSettings(SettingsText() + "[Filter]\r\nExclude=zzqq\r\n");
    Reopen();
    QString whileAsked;
    Start(output.path() / "counted.csv");
    prompt.QueueQuestion(false, [&] { whileAsked = window->lblStatus->text(); });
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(whileAsked, Utf8("新着 3件、再掲載 0件、値下げ 0件、値上げ 0件、受付終了 0件、除外 0件"));
    EXPECT_EQ(window->lblStatus->text(), whileAsked);
}

TEST_F(RunTest, ARunWithoutListingsSaysSo) {
    content->SetSearch(kSearch, {{}, 0});
    Start(output.path() / "none.csv");
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].text, Utf8("条件に該当する商品情報は見つかりませんでした。"));
    EXPECT_EQ(prompt.Messages()[0].caption, Utf8("検索終了"));
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Attention).size(), 1u);
    ExpectIdle();
}

TEST_F(RunTest, FailuresAreReportedNotPassedOffAsResults) {
    struct Case {
        const char* name;
        std::function<std::filesystem::path()> arrange;
        const char* message;
    };
    const Case cases[] = {
        {"site not answering",
         [this] {
             content->SetFault(kSearch, site::PageFault::ServerError);
             return output.path() / "site.csv";
         },
         "サイトへのアクセスができませんでした。\r\nしばらく時間を置いてから再度実行してください。"},
        {"CSV file cannot be written", [this] { return output.path() / "missing" / "list.csv"; },
         "取得情報の保存に失敗しました。\n保存先の空き容量や書き込み権限を確認してください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.ClearCalls();
        Start(c.arrange());
        ASSERT_TRUE(WaitUntilIdle());
        ASSERT_EQ(prompt.Messages().size(), 1u);
        EXPECT_EQ(prompt.Messages()[0].text, Utf8(c.message));
        EXPECT_EQ(prompt.Messages()[0].caption, QStringLiteral("Error"));
        EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Attention).size(), 1u);
        ExpectIdle();
    }
}

TEST_F(RunTest, CancelAnsweredYesStopsSilentlyAndFurtherPressesAreIgnored) {
    Start(output.path() / "cancelled.csv");
    prompt.QueueQuestion(true);
    window->btnCancel->click();
    const PromptCall asked = prompt.CallsOf(PromptCall::Kind::Question).at(0);
    EXPECT_EQ(asked.text, Utf8("取得処理を中断します。\nよろしいですか？"));
    EXPECT_EQ(asked.caption, Utf8("中断確認"));
    EXPECT_TRUE(asked.yesIsDefault);
    EXPECT_EQ(window->endState(), TFrmMain::esCancelled);

    window->btnCancel->click(); // no question queued: a second question would fail the test
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(prompt.Messages().size(), 1u) << "no end-of-run message";
    EXPECT_TRUE(prompt.CallsOf(PromptCall::Kind::Attention).empty());
    ExpectIdle();
    const std::string bytes = ReadBytes(output.path() / "cancelled.csv");
    EXPECT_EQ(bytes.substr(0, CsvHeader().size()), CsvHeader()) << "the file keeps what was written";
}

TEST_F(RunTest, CancelAnsweredNoLetsTheRunFinish) {
    Start(output.path() / "kept.csv");
    prompt.QueueQuestion(false);
    window->btnCancel->click();
    EXPECT_EQ(window->endState(), TFrmMain::esNone);

    prompt.QueueQuestion(false);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Question).back().text,
              Utf8("商品情報の取得が完了しました。\n保存したファイルを開きますか？"));
    ExpectIdle();
}

TEST_F(RunTest, CloseDuringARunAnsweredYesEndsTheProgramAfterTheHandBack) {
    window->txtWord->setText(QStringLiteral("chair"));
    Start(output.path() / "closing.csv");
    prompt.QueueQuestion(true);
    EXPECT_FALSE(window->close()) << "the window stays until the run has handed back";
    const PromptCall asked = prompt.CallsOf(PromptCall::Kind::Question).at(0);
    EXPECT_EQ(asked.text, Utf8("取得処理の実行中ですが終了しますか？"));
    EXPECT_EQ(asked.caption, Utf8("終了確認"));
    EXPECT_EQ(window->endState(), TFrmMain::esClosing);
    EXPECT_FALSE(terminated);
    EXPECT_EQ(SettingsText().find("[Config]"), std::string::npos) << "settings wait for the hand-back";

    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(terminated);
    EXPECT_NE(SettingsText().find("Word=chair"), std::string::npos);
    EXPECT_EQ(prompt.Messages().size(), 1u) << "no end-of-run message";
    EXPECT_TRUE(prompt.CallsOf(PromptCall::Kind::Attention).empty());
}

TEST_F(RunTest, CloseDuringARunAnsweredNoKeepsWindowAndRun) {
    Start(output.path() / "open.csv");
    prompt.QueueQuestion(false);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->endState(), TFrmMain::esNone);

    prompt.QueueQuestion(false);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_FALSE(terminated);
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Question).size(), 2u) << "the run ended with its own question";
    ExpectIdle();
}

TEST_F(RunTest, DatabaseFailuresAreShownAndTheWindowIsIdleAgain) {
    const auto dropSeenTable = [this] {
        CatalogueDb db;
        db.Configure(programDir.databaseFile());
        db.Execute("DROP TABLE T00_DATA");
    };
    // Before the job exists: no hand-back will come.
    dropSeenTable();
    Start(output.path() / "never.csv");
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].kind, PromptCall::Kind::Error);
    EXPECT_EQ(window->myThread(), nullptr);
    ExpectIdle();

    // During the run (its seen-listing checks wait for this thread): shown instead of an outcome.
    {
        CatalogueDb db;
        db.Configure(programDir.databaseFile());
        db.Execute("CREATE TABLE T00_DATA (ID INTEGER PRIMARY KEY AUTOINCREMENT, UrlKey TEXT NOT NULL)");
    }
    prompt.ClearCalls();
    Start(output.path() / "broken.csv");
    dropSeenTable();
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].kind, PromptCall::Kind::Error);
    ExpectIdle();
}

// The options dialog's mode and exclusion word, kept with the window's conditions as a saved
// search: the window's run writes what they leave, and the terminal program's run of the saved
// search, on a copy of the catalogue as the window's run found it, asks the site the same.
TEST_F(RunTest, TheOptionsRunInTheWindowAsTheTerminalProgramRunsTheSavedSearch) {
    TempDir cliDir, runtime;
    std::filesystem::create_directory(cliDir.path() / "db");
    std::filesystem::copy_file(std::filesystem::path(VORN_BIN_DIR) / "vorn-search-cli",
                               cliDir.path() / "vorn-search-cli");
    content->SetTitle(2, "ジャンク 自転車");
    struct Case {
        const char* name;
        QRadioButton* OptionsDialog::*mode;
        std::vector<int> listings;
        bool changeColumn;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {"changes", &OptionsDialog::rdoChangesOnly, {1, 2, 3}, true, {1, 3}},
        {"new", &OptionsDialog::rdoNewOnly, {1, 2, 3, 4, 5}, false, {4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        content->SetSearch(kSearch, {c.listings, std::nullopt});
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            (dialog->*c.mode)->click();
            dialog->txtExclude->setPlainText(Utf8("ジャンク"));
            dialog->txtSavedName->setText(QString::fromUtf8(c.name));
            dialog->btnSave->click();
            dialog->btnOk->click();
        });
        window->btnOption->click();
        std::filesystem::remove(cliDir.path() / "db" / "vrn_data.db");
        {
            CatalogueDb db;
            db.Configure(programDir.databaseFile());
            db.Execute("VACUUM INTO ?", {(cliDir.path() / "db" / "vrn_data.db").string()});
        }
        std::filesystem::copy_file(programDir.db() / "vrn.ini", cliDir.path() / "db" / "vrn.ini",
                                   std::filesystem::copy_options::overwrite_existing);

        site.ClearRequests();
        const std::filesystem::path csv = output.path() / "window.csv";
        Start(csv);
        prompt.QueueQuestion(false);
        ASSERT_TRUE(WaitUntilIdle());
        const std::string bytes = ReadBytes(csv);
        EXPECT_EQ(bytes.rfind(CsvFileStart(CsvEncoding::Cp932, c.changeColumn), 0), 0u) << bytes;
        for (int listing = 1; listing <= 5; ++listing) {
            const bool row = std::find(c.rows.begin(), c.rows.end(), listing) != c.rows.end();
            EXPECT_EQ(bytes.find(content->ListingUrl(listing)) != std::string::npos, row) << listing;
        }
        const std::vector<std::string> windowAsked = site.TakeRequestedPaths();
        const ChildResult cli = ChildProcess(cliDir.path() / "vorn-search-cli",
                                             {"crawl", "--saved", c.name, (output.path() / "cli.csv").string()},
                                             runtime.path(), runtime.path())
                                    .Wait();
        EXPECT_EQ(cli.exitCode, 0) << cli.out << cli.err;
        EXPECT_EQ(site.TakeRequestedPaths(), windowAsked);
    }
}

} // namespace
} // namespace vorn::test
