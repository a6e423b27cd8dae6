// 通知設定, opened from 取得オプション: what OK leaves in db/vrn.ini and in the two secret files,
// what テスト送信 shows, and the values refused.
#include "app/window/notify_dialog.h"

#include <fstream>
#include <functional>
#include <iterator>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

#include "app/window/options_dialog.h"
#include "tests/support/alert_receivers.h"
#include "tests/window/window_fixture.h"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string FileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class NotifyDialogTest : public WindowTest {
protected:
    // Opens 取得オプション by the window's button and 通知設定 by its own, and lets act use the
    // latter; both closed here when act leaves them open.
    void WithDialog(const std::function<void(NotifyDialog&)>& act) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* options = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(options, nullptr);
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<NotifyDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(dialog, nullptr);
                opened = dialog->windowTitle() == Utf8("通知設定");
                act(*dialog);
                if (dialog->isVisible()) {
                    dialog->reject();
                }
            });
            options->btnNotify->click();
            options->reject();
        });
        window->btnOption->click();
        EXPECT_TRUE(opened);
    }

    AlertReceivers receivers{"vorn", "mail-pass 1"};
};

TEST_F(NotifyDialogTest, OkKeepsWhatWasTypedWithSecretsOwnerOnlyAndTestSendShowsEachAnswer) {
    WriteSettings("[Site]\r\nCaFile=" + AlertReceivers::CaFile().string() +
                  "\r\n[Notify]\r\nLineApi=" + receivers.WebhookUrl("") + "\r\n");
    Open();
    const std::string user = "U0123456789abcdef0123456789abcdef";
    const auto fill = [&](NotifyDialog& d) {
        d.txtLineToken->setText(QStringLiteral(" tok/EN+123= "));
        d.txtLineTo->setText(QString::fromStdString(user));
        d.txtWebhook->setText(QString::fromStdString(receivers.WebhookUrl("hook-key")));
        d.cmbWebhookFormat->setCurrentIndex(1);
        d.txtMailTo->setText(QStringLiteral("you@example.test, me@example.test"));
        d.txtMailFrom->setText(QStringLiteral("vorn@example.test"));
        d.txtSmtpUrl->setText(QString::fromStdString(receivers.SmtpUrl()));
        d.txtSmtpUser->setText(QStringLiteral("vorn"));
        d.txtSmtpPassword->setText(QStringLiteral("mail-pass 1"));
        d.rdoWhenRows->click();
        d.chkOnFailure->click();
    };
    WithDialog([&](NotifyDialog& d) {
        EXPECT_TRUE(d.rdoWhenChanges->isChecked() && d.chkOnFailure->isChecked()) << "the defaults";
        fill(d);
        QSignalSpy answered(&d, &NotifyDialog::testAnswered);
        d.btnTest->click();
        ASSERT_TRUE(answered.wait(60000));
        EXPECT_EQ(d.txtAnswers->toPlainText(), Utf8("○ webhook: HTTP 200 ok\n○ mail: 250 Message accepted\n"
                                                    "○ LINE: HTTP 200 {}"));
        EXPECT_TRUE(d.isVisible());
        d.btnOk->click();
    });
    EXPECT_TRUE(Contains(receivers.Received("line").at(0), "Authorization: Bearer tok/EN+123=\n"));
    const std::string saved = SettingsText();
    EXPECT_TRUE(Contains(saved, "Webhook=" + receivers.WebhookUrl("hook-key") +
                                    "\r\nWebhookFormat=slack\r\nMailTo=you@example.test, me@example.test\r\n"
                                    "MailFrom=vorn@example.test\r\nSmtpUrl=" +
                                    receivers.SmtpUrl() +
                                    "\r\nSmtpUser=vorn\r\nSmtpPasswordFile=db/smtp-password\r\n"
                                    "LineTokenFile=db/line-token\r\nLineTo=" +
                                    user + "\r\nWhen=rows\r\nOnFailure=no\r\n"))
        << saved;
    for (const auto& [file, secret] : {std::pair{"line-token", "tok/EN+123=\n"}, {"smtp-password", "mail-pass 1\n"}}) {
        EXPECT_EQ(FileText(programDir.db() / file), secret);
        EXPECT_EQ(fs::status(programDir.db() / file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }

    // Opened again: the secrets masked and kept through OK; bad values refused, nothing written.
    struct Case {
        std::function<void(NotifyDialog&)> enter;
        const char* says;
    };
    const Case cases[] = {
        {[](NotifyDialog&) {}, ""},
        {[](NotifyDialog& d) { d.txtLineTo->setText(QStringLiteral("@my-line-id")); },
         "送信先には LINE のユーザー ID（U で始まる 33 文字）かグループ ID を入力してください。"},
        {[](NotifyDialog& d) { d.txtLineToken->clear(); },
         "送信先を使うときはチャネルアクセストークンも入力してください。"},
        {[](NotifyDialog& d) { d.txtWebhook->setText(QStringLiteral("http://127.0.0.1/hook")); },
         "Webhook の URL には https:// で始まる URL を入力してください。"},
        {[](NotifyDialog& d) { d.txtMailTo->setText(QStringLiteral("you@example.test, me")); },
         "宛先にはメールアドレスを入力してください。"},
        {[](NotifyDialog& d) { d.txtSmtpPassword->clear(); }, "ユーザー名を使うときはパスワードも入力してください。"},
    };
    for (const Case& c : cases) {
        prompt.ClearCalls();
        WithDialog([&](NotifyDialog& d) {
            for (QLineEdit* secret : {d.txtLineToken, d.txtSmtpPassword}) {
                EXPECT_EQ(secret->echoMode(), QLineEdit::Password);
                EXPECT_FALSE(secret->text().isEmpty() || secret->text().contains(QStringLiteral("pass")));
            }
            EXPECT_TRUE(d.rdoWhenRows->isChecked() && !d.chkOnFailure->isChecked());
            c.enter(d);
            d.btnOk->click();
            EXPECT_EQ(d.isVisible(), *c.says != '\0') << c.says;
        });
        EXPECT_EQ(SettingsText(), saved) << c.says;
        EXPECT_EQ(FileText(programDir.db() / "line-token"), "tok/EN+123=\n");
        ASSERT_EQ(prompt.Messages().size(), *c.says != '\0' ? 1u : 0u) << c.says;
        if (*c.says != '\0') {
            EXPECT_EQ(prompt.Messages()[0].text, Utf8(c.says));
        }
    }
}

} // namespace
} // namespace vorn::test
