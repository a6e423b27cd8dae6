#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <thread>

#include <QDialog>

#include "app/core/notify_settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vorn {

class Prompt;

// 通知設定: the alert channels of [Notify] in db/vrn.ini (LINE, a webhook, mail), when they send,
// and a test message. OK writes the section, the token and the password into files of their own
// that only the user may read; a secret already kept shows masked and stays unless retyped.
// テスト送信 sends on a thread of its own and shows each service's answer in the dialog.
class NotifyDialog : public QDialog {
    Q_OBJECT
public:
    NotifyDialog(std::filesystem::path programDir, Prompt& prompt, QWidget* parent = nullptr);
    ~NotifyDialog() override;

    // OK: refuses a bad value naming its field and writes nothing; else writes and closes.
    void accept() override;
    void btnTestClick();

    QLineEdit* txtLineToken = nullptr;
    QLineEdit* txtLineTo = nullptr;
    QLineEdit* txtWebhook = nullptr;
    QComboBox* cmbWebhookFormat = nullptr;
    QLineEdit* txtMailTo = nullptr;
    QLineEdit* txtMailFrom = nullptr;
    QLineEdit* txtSmtpUrl = nullptr;
    QLineEdit* txtSmtpUser = nullptr;
    QLineEdit* txtSmtpPassword = nullptr;
    QRadioButton* rdoWhenChanges = nullptr;
    QRadioButton* rdoWhenRows = nullptr;
    QRadioButton* rdoWhenAlways = nullptr;
    QCheckBox* chkOnFailure = nullptr;
    QPushButton* btnTest = nullptr;
    QPlainTextEdit* txtAnswers = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

signals:
    // テスト送信's answers are shown.
    void testAnswered();

private:
    // The section as the controls hold it, and the secrets typed anew.
    struct Form {
        NotifyValues values;
        TypedSecrets typed;
    };

    void CreateControls();
    void ShowValues();
    // The controls' values once checked; nothing after telling the user which field is wrong.
    std::optional<Form> ReadForm();
    void Refuse(const NotifyRefusal& refusal, bool tokenTyped);

    std::filesystem::path programDir_;
    Prompt& prompt_;
    NotifyValues saved_;
    std::thread sender_;
    std::atomic<bool> closing_{false};
};

} // namespace vorn
