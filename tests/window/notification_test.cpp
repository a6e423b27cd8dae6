// The word the window sends the desktop at the end of a run, to a notification service of the
// test's own on a private session bus.
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QObject>
#include <QPushButton>
#include <QVariantMap>

#include "tests/window/window_fixture.h"
#include "tools/sample_site/site_content.h"

namespace vorn::test {

// Stands in for the desktop's notification service and keeps what it was asked to show.
class NotificationRecorder : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString app;
        QString icon;
        QString summary;
        QString body;
    };
    std::vector<Shown> shown;

public slots:
    uint Notify(const QString& app, uint /*replaces*/, const QString& icon, const QString& summary, const QString& body,
                const QStringList& /*actions*/, const QVariantMap& /*hints*/, int /*timeout*/) {
        shown.push_back({app, icon, summary, body});
        return static_cast<uint>(shown.size());
    }
};

namespace {

constexpr const char* kSearch = "tokyo/sale-bic/g-all"; // 東京都 x 自転車
constexpr int kTokyoItem = 12;
const QString kService = QStringLiteral("org.freedesktop.Notifications");

class NotificationTest : public SiteWindowTest {
protected:
    void SetUp() override {
        const QString address = StartBus();
        ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
        service_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("service")));
        ASSERT_TRUE(service_->registerService(kService));
        ASSERT_TRUE(service_->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
                                             QDBusConnection::ExportAllSlots));

        ServeSite();
        content->SetSearch(kSearch, {{1, 2}, std::nullopt});
        Open();
        window->SetNotificationBus(QDBusConnection::connectToBus(address, QStringLiteral("window")));
        ClickCheckBox(Area(kTokyoItem));
        ClickCheckBox(Node(node::kBicycle));
        elsewhere_.resize(100, 100);
        elsewhere_.show();
    }

    void TearDown() override {
        window.reset();
        service_.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("window"));
        if (busPid_ > 0) {
            ::kill(busPid_, SIGTERM);
            ::waitpid(busPid_, nullptr, 0);
        }
    }

    // A private session bus; its address, empty when it did not come up. Spawned rather than
    // forked, as the thread sanitizer requires of a program with threads.
    QString StartBus() {
        const std::string addressFile = (output_.path() / "bus-address").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, addressFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
        const int error = posix_spawnp(&busPid_, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            busPid_ = -1;
            return {};
        }
        for (int i = 0; i < 100; ++i) {
            QFile file(QString::fromStdString(addressFile));
            if (file.open(QIODevice::ReadOnly)) {
                const QString line = QString::fromUtf8(file.readAll());
                if (line.endsWith(QLatin1Char('\n'))) {
                    return line.trimmed();
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

    // The user works in another window, or in this one.
    void Activate(QWidget& widget) {
        widget.activateWindow();
        for (int i = 0; i < 50 && !widget.isActiveWindow(); ++i) {
            ProcessEvents();
        }
        ASSERT_TRUE(widget.isActiveWindow());
    }

    void Run(const char* fileName) {
        prompt.QueueSaveFile(QString::fromStdString((output_.path() / fileName).string()));
        window->btnAction->click();
        prompt.QueueQuestion(false);
        ASSERT_TRUE(WaitUntilIdle());
    }

    // Lets the call reach the service, which answers on this same thread.
    void DeliverFor(std::chrono::milliseconds time, std::size_t until) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end && recorder.shown.size() < until) {
            ProcessEvents();
        }
    }

    NotificationRecorder recorder;
    pid_t busPid_ = -1;
    std::unique_ptr<QDBusConnection> service_;
    QWidget elsewhere_;
    TempDir output_;
};

TEST_F(NotificationTest, SentWhenTheUserIsElsewhereWithTheCaptionFirstLineAndCounts) {
    Activate(elsewhere_);
    Run("rows.csv");
    DeliverFor(std::chrono::seconds(10), 1);
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].app, Utf8("ヴォルン商品情報取得ソフト"));
    EXPECT_EQ(recorder.shown[0].icon, QStringLiteral("vorn-search"));
    EXPECT_EQ(recorder.shown[0].summary, Utf8("処理終了"));
    EXPECT_EQ(recorder.shown[0].body.section(QLatin1Char('\n'), 0, 0), Utf8("商品情報の取得が完了しました。"));
    EXPECT_TRUE(recorder.shown[0].body.section(QLatin1Char('\n'), 1).startsWith(Utf8("新着 "))) << "the counts line";

    content->SetSearch(kSearch, {{}, 0});
    Run("none.csv");
    DeliverFor(std::chrono::seconds(10), 2);
    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_EQ(recorder.shown[1].summary, Utf8("検索終了"));
    EXPECT_EQ(recorder.shown[1].body.section(QLatin1Char('\n'), 0, 0),
              Utf8("条件に該当する商品情報は見つかりませんでした。"));
    EXPECT_TRUE(recorder.shown[1].body.section(QLatin1Char('\n'), 1).startsWith(Utf8("新着 "))) << "the counts line";

    content->SetFault(kSearch, site::PageFault::ServerError);
    Run("failed.csv");
    DeliverFor(std::chrono::seconds(10), 3);
    ASSERT_EQ(recorder.shown.size(), 3u);
    EXPECT_EQ(recorder.shown[2].summary, QStringLiteral("Error"));
    EXPECT_EQ(recorder.shown[2].body.section(QLatin1Char('\n'), 0, 0), Utf8("サイトへのアクセスができませんでした。"));
    EXPECT_TRUE(recorder.shown[2].body.section(QLatin1Char('\n'), 1).startsWith(Utf8("新着 "))) << "the counts line";
}

TEST_F(NotificationTest, NotSentWhileTheWindowIsActiveOrWithoutAService) {
    Activate(*window);
    Run("active.csv");
    DeliverFor(std::chrono::milliseconds(500), 1);
    EXPECT_TRUE(recorder.shown.empty());
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Attention).size(), 1u) << "the beep and flash stay";

    ASSERT_TRUE(service_->unregisterService(kService));
    Activate(elsewhere_);
    Run("no-service.csv");
    DeliverFor(std::chrono::milliseconds(500), 1);
    EXPECT_TRUE(recorder.shown.empty());
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Attention).size(), 2u);
}

} // namespace
} // namespace vorn::test

#include "notification_test.moc"
