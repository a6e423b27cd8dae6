// Faults seen through the window: the message a run ends with and what the CSV holds, and text
// from the site shown as text.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/window/qt_prompt.h"
#include "extract/item_fields.h"
#include "tests/support/csv_reader.h"
#include "tests/window/window_fixture.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "web/cp932.h"
#include "web/fetch_page.h"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSearch = "tokyo/sale-bic/g-all"; // 東京都 x 自転車
constexpr int kTokyoItem = 12;
constexpr const char* kSiteUnreachable =
    "サイトへのアクセスができませんでした。\r\nしばらく時間を置いてから再度実行してください。";
constexpr const char* kNotSaved = "取得情報の保存に失敗しました。\n保存先の空き容量や書き込み権限を確認してください。";

class WindowFaultTest : public SiteWindowTest {
protected:
    void SetUp() override {
        ServeSite();
        content->SetSearch(kSearch, {{1, 2, 3}, std::nullopt});
        Open();
        ClickCheckBox(Area(kTokyoItem));
        ClickCheckBox(Node(node::kBicycle));
    }
    void TearDown() override { SetFetchSettings(savedSettings); }

    void Start() {
        prompt.QueueSaveFile(QString::fromStdString(Csv().string()));
        window->btnAction->click();
    }
    fs::path Csv() const { return output.path() / "list.csv"; }

    // The file as a spreadsheet reads it; every record after the header has its values and the
    // empty one after the last comma.
    std::vector<CsvRecord> Records() const {
        std::ifstream in(Csv(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const CsvParse parse = ParseCsv(bytes);
        EXPECT_EQ(parse.error, "");
        for (std::size_t i = 1; i < parse.records.size(); ++i) {
            EXPECT_EQ(parse.records[i].size(), kItemFieldCount + 1u) << "record " << i;
        }
        return parse.records;
    }

    void ExpectOnlyMessage(const char* text, const QString& caption) {
        ASSERT_EQ(prompt.Messages().size(), 1u);
        EXPECT_EQ(prompt.Messages()[0].text, Utf8(text));
        EXPECT_EQ(prompt.Messages()[0].caption, caption);
    }

    TempDir output;
    FetchSettings savedSettings = CurrentFetchSettings();
};

TEST_F(WindowFaultTest, ItemPageNotServedEndsWithSiteUnreachableAndKeepsEveryRow) {
    content->SetFault("article/" + std::to_string(site::ArticleIdOf(2)), site::PageFault::ServerError);
    Start();
    ASSERT_TRUE(WaitUntilIdle());

    ExpectOnlyMessage(kSiteUnreachable, QStringLiteral("Error"));
    const std::vector<CsvRecord> records = Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_FALSE(records[1][1].empty());
    EXPECT_TRUE(records[2][1].empty()) << "listing 2's row holds only its address";
    EXPECT_FALSE(records[2][24].empty());
    EXPECT_FALSE(records[3][1].empty()) << "the run went on after it";
}

TEST_F(WindowFaultTest, DbFolderRemovedDuringTheRunEndsWithNotSaved) {
    Start();
    // The run cannot fetch before this thread serves its first call.
    fs::remove_all(programDir.db());
    ASSERT_TRUE(WaitUntilIdle());

    ExpectOnlyMessage(kNotSaved, QStringLiteral("Error"));
    EXPECT_EQ(Records().size(), 1u) << "the header only";
    EXPECT_TRUE(site.Requests().size() == 1u) << "nothing after the page that could not be kept";
}

TEST_F(WindowFaultTest, CancelWhileTheSiteHangsReturnsToIdleWithoutAMessage) {
    FetchSettings quick = savedSettings;
    quick.idleTimeoutSeconds = 1;
    SetFetchSettings(quick);
    site.Handle("/" + std::string(kSearch), [](const site::SiteRequest&) {
        site::SiteResponse answer;
        answer.fault = site::SiteResponse::Fault::Hang;
        return answer;
    });
    Start();
    prompt.QueueQuestion(true);
    window->btnCancel->click();
    ASSERT_TRUE(WaitUntilIdle());

    EXPECT_EQ(prompt.Messages().size(), 1u) << "the cancel question only";
    EXPECT_TRUE(window->btnAction->isEnabled());
    EXPECT_EQ(Records().size(), 1u);
}

TEST_F(WindowFaultTest, StatusLineShowsMarkupFromTheSiteAsText) {
    const std::string name = "<b>太字</b><img src=\"https://127.0.0.1/x.png\">";
    window->ShowStatus(UTF8ToAnsi(name));
    EXPECT_EQ(window->lblStatus->textFormat(), Qt::PlainText);
    EXPECT_EQ(window->lblStatus->text().toStdString(), name);
}

class CorruptDatabaseWindowTest : public WindowTest {};

TEST_F(CorruptDatabaseWindowTest, ErrorIsShownAndNoRunCanStart) {
    std::ofstream(programDir.databaseFile(), std::ios::binary | std::ios::trunc) << std::string(8192, 'Z');
    Open();
    ASSERT_FALSE(prompt.CallsOf(PromptCall::Kind::Error).empty());
    EXPECT_TRUE(prompt.CallsOf(PromptCall::Kind::Error)[0].text.contains(QStringLiteral("not a database")))
        << prompt.CallsOf(PromptCall::Kind::Error)[0].text.toStdString();

    prompt.ClearCalls();
    ClickCheckBox(Area(kTokyoItem));
    window->btnAction->click();
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].text, Utf8("取得するジャンルを１つ以上選択してください。")) << "the tree is empty";
    EXPECT_EQ(window->myThread(), nullptr);
}

// The real message box, found while it is open and closed by the test.
TEST(QtPromptTest, MessageBoxesShowMarkupAsText) {
    Qt::TextFormat format = Qt::RichText;
    QString shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            format = box->textFormat();
            shown = box->text();
            box->done(QMessageBox::Ok);
        }
    });
    poll.start(10);
    const QString text = QStringLiteral("<a href=\"file:///etc\">click</a>");
    QtPrompt().Error(nullptr, text);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown, text);
}

} // namespace
} // namespace vorn::test
