// The two maintenance commands of the window against the sample site: what they store, what the
// window shows while and after they run, and how they keep clear of a crawl.
#include <algorithm>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "catalogue/widgets/area_selection.h"
#include "catalogue/widgets/genre_tree.h"
#include "tests/window/window_fixture.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "tools/sample_site/site_tables.h"
#include "web/cp932.h"

namespace vorn::test {
namespace {

class RefreshTest : public SiteWindowTest {
protected:
    void SetUp() override {
        ServeSite();
        Open();
    }

    // The texts of the plain message boxes shown so far.
    std::vector<QString> PlainMessages() const {
        std::vector<QString> texts;
        for (const PromptCall& call : prompt.CallsOf(PromptCall::Kind::Message)) {
            texts.push_back(call.text);
        }
        return texts;
    }

    std::size_t RequestsFor(const std::string& suffix) const {
        const std::vector<site::SiteRequest> requests = site.Requests();
        return static_cast<std::size_t>(std::count_if(
            requests.begin(), requests.end(), [&](const auto& request) { return request.path.ends_with(suffix); }));
    }

    void ExpectInputsEnabled() const {
        EXPECT_TRUE(window->btnAction->isEnabled());
        EXPECT_TRUE(window->btnClear->isEnabled());
        EXPECT_TRUE(window->TreeView->isEnabled());
        EXPECT_FALSE(window->btnCancel->isEnabled());
    }

    TempDir output;
};

TEST_F(RefreshTest, CityRefreshEndsWithTheBarFullAndTheCitiesShowAfterARestart) {
    window->btnUpdateAreaClick();

    EXPECT_EQ(RequestsFor("/sale"), 47u);
    EXPECT_EQ(window->prgBar->maximum(), 47);
    EXPECT_EQ(window->prgBar->value(), 47) << "the bar keeps its last state";
    EXPECT_EQ(window->lblStatus->text(), Utf8("都道府県 47件/47件 取得中..."));
    EXPECT_EQ(PlainMessages(), std::vector<QString>{Utf8("完了")});
    ExpectInputsEnabled();
    EXPECT_FALSE(std::filesystem::exists(programDir.scratchFile()));

    std::vector<std::string> expected;
    for (const site::City& city : site::ListedCitiesOf(kTokyo)) {
        expected.push_back(UTF8ToAnsi(city.name));
    }
    PickCombo(kTokyo);
    EXPECT_EQ(window->areaSelection().ItemTexts(), expected) << "a prefecture picked now lists the new rows";

    Reopen();
    PickCombo(kTokyo);
    EXPECT_EQ(window->areaSelection().ItemTexts(), expected);
}

TEST_F(RefreshTest, GenreRefreshEndsWithTheBarFullAndTheTreeShowsSubGenresAfterARestart) {
    window->btnUpdateGunreClick();

    EXPECT_EQ(RequestsFor("/all/sale-fur"), 1u);
    EXPECT_EQ(window->prgBar->value(), 20);
    EXPECT_EQ(window->lblStatus->text(), Utf8("ジャンル - 20件/20件 取得中..."));
    EXPECT_EQ(PlainMessages(), std::vector<QString>{Utf8("終了")});
    ExpectInputsEnabled();

    Reopen();
    QTreeWidgetItem* furniture = window->TreeView->topLevelItem(0);
    ASSERT_NE(furniture, nullptr);
    EXPECT_EQ(furniture->text(0), Utf8(" 家具"));
    ASSERT_EQ(furniture->childCount(), 6);
    EXPECT_EQ(furniture->child(0)->text(0), Utf8(" ソファ"));
    EXPECT_EQ(furniture->child(5)->text(0), Utf8(" Kid'sチェア"));
    EXPECT_EQ(window->genreTree().Nodes()[6].code, "sale-fur/g-123");
    EXPECT_EQ(window->TreeView->topLevelItemCount(), 20);
}

TEST_F(RefreshTest, ACityCrawlAfterTheRefreshesPutsTheCityCodeLast) {
    window->btnUpdateAreaClick();
    window->btnUpdateGunreClick();
    Reopen();
    PickCombo(kTokyo);
    ClickCheckBox(Area(0));         // a-13101
    ClickCheckBox(Node(1));         // ソファ, sale-fur/g-101
    site.ClearRequests();

    prompt.QueueSaveFile(QString::fromStdString((output.path() / "city.csv").string()));
    prompt.QueueQuestion(false);
    window->btnAction->click();
    ASSERT_TRUE(WaitUntilIdle());

    ASSERT_FALSE(site.Requests().empty());
    EXPECT_EQ(site.Requests().front().path, "/tokyo/sale-fur/g-101/a-13101");
}

TEST_F(RefreshTest, PagesNotServedAreNamedInTheClosingMessage) {
    content->SetFault("tokyo/sale", site::PageFault::ServerError);
    content->SetFault("okinawa/sale", site::PageFault::CutOff);
    window->btnUpdateAreaClick();
    EXPECT_EQ(PlainMessages(), std::vector<QString>{Utf8(
                                   "完了\n\n次の都道府県はページを取得できなかったため、市区町村を登録していません。\n"
                                   "東京都、沖縄県")});
    EXPECT_EQ(window->prgBar->value(), 47);

    prompt.ClearCalls();
    content->SetFault("all/sale-oth", site::PageFault::DropConnection);
    window->btnUpdateGunreClick();
    EXPECT_EQ(PlainMessages(),
              std::vector<QString>{
                  Utf8("終了\n\n次のジャンルはページを取得できなかったため、サブジャンルを登録していません。\n"
                       "その他")});
}

TEST_F(RefreshTest, NoCrawlStartsDuringARefreshAndACloseStopsIt) {
    ClickCheckBox(Area(0));
    ClickCheckBox(Node(node::kBicycle));
    bool startEnabled = true;
    bool closed = true;
    // Runs at the refresh's first let-through of events, after the first page.
    QTimer::singleShot(0, window.get(), [&] {
        startEnabled = window->btnAction->isEnabled();
        window->btnActionClick(); // a save dialog would fail the test
        closed = window->close();
    });
    window->btnUpdateAreaClick();

    EXPECT_FALSE(startEnabled);
    EXPECT_FALSE(closed) << "the window waits for the refresh";
    EXPECT_EQ(RequestsFor("/sale"), 1u) << "the refresh stopped before the next page";
    EXPECT_TRUE(PlainMessages().empty());
    EXPECT_FALSE(window->isVisible()) << "and the window closed once it had";
    EXPECT_NE(SettingsText().find("[Config]"), std::string::npos) << "closing saved the settings";
    EXPECT_EQ(window->myThread(), nullptr);
}

TEST_F(RefreshTest, NoRefreshStartsDuringACrawl) {
    ClickCheckBox(Area(kTokyo - 1));
    ClickCheckBox(Node(node::kBicycle));
    prompt.QueueSaveFile(QString::fromStdString((output.path() / "run.csv").string()));
    window->btnAction->click();
    ASSERT_TRUE(window->btnCancel->isEnabled());

    window->btnUpdateAreaClick();
    window->btnUpdateGunreClick();
    prompt.QueueQuestion(false);
    ASSERT_TRUE(WaitUntilIdle());

    EXPECT_EQ(RequestsFor("/sale"), 0u);
    EXPECT_EQ(RequestsFor("/all/sale-fur"), 0u);
    EXPECT_TRUE(PlainMessages().empty());
}

TEST_F(RefreshTest, TheMaintenanceButtonsStayHiddenAndDisabled) {
    for (QPushButton* button : {window->btnUpdateArea, window->btnUpdateGunre}) {
        EXPECT_FALSE(button->isVisible());
        EXPECT_FALSE(button->isEnabled());
    }
    window->btnUpdateAreaClick();
    window->btnUpdateGunreClick();
    for (QPushButton* button : {window->btnUpdateArea, window->btnUpdateGunre}) {
        EXPECT_FALSE(button->isVisible());
        EXPECT_FALSE(button->isEnabled());
    }
}

} // namespace
} // namespace vorn::test
