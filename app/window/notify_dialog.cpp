#include "app/window/notify_dialog.h"

#include <algorithm>
#include <iterator>
#include <tuple>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/core/saved_conditions.h"
#include "app/core/secret_file.h"
#include "app/window/prompt.h"
#include "app/window/window_texts.h"
#include "catalogue/widgets/qt_text.h"

namespace vorn {

namespace {

// Where a typed secret goes, from the program folder.
constexpr const char* kLineTokenFile = "db/line-token";
constexpr const char* kSmtpPasswordFile = "db/smtp-password";
// What a secret field shows (as dots) for a secret kept in its file; never the secret itself.
const QString kKeptSecret(12, QChar(0x25CF));

const char* const kFormats[] = {"json", "slack", "discord"};

template <typename Control>
Control* Make(const char* name) {
    auto* control = new Control;
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

std::string Field(const QLineEdit* edit) { return ToCp932(edit->text().trimmed()); }

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return text;
}

} // namespace

NotifyDialog::NotifyDialog(std::filesystem::path programDir, Prompt& prompt, QWidget* parent)
    : QDialog(parent), programDir_(std::move(programDir)), prompt_(prompt),
      saved_(ReadNotifyValues(ProfileFile(SettingsFilePath(programDir_)))) {
    setObjectName(QStringLiteral("NotifyDialog"));
    setWindowTitle(texts::kNotifyTitle);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    if (parent != nullptr) {
        setFont(parent->font());
    }
    CreateControls();
    ShowValues();
}

NotifyDialog::~NotifyDialog() {
    // A test message still on its way is cut short: the dialog is not held open by a slow service.
    closing_ = true;
    if (sender_.joinable()) {
        sender_.join();
    }
}

void NotifyDialog::CreateControls() {
    const auto row = [](QFormLayout* form, const QString& label, QWidget* field) {
        auto* caption = new QLabel(label);
        caption->setBuddy(field);
        form->addRow(caption, field);
    };
    const auto edit = [](const char* name, bool ascii) {
        auto* field = Make<QLineEdit>(name);
        // Addresses, URLs and IDs are typed in ASCII: no input method in the way.
        field->setAttribute(Qt::WA_InputMethodEnabled, !ascii);
        field->setMinimumWidth(320);
        return field;
    };

    txtLineToken = edit("txtLineToken", true);
    txtLineToken->setEchoMode(QLineEdit::Password);
    txtLineTo = edit("txtLineTo", true);
    txtLineTo->setPlaceholderText(QStringLiteral("空欄のときは友だち全員に送信"));
    auto* lineBox = new QGroupBox(QStringLiteral("LINE (Messaging API)"));
    auto* lineForm = new QFormLayout(lineBox);
    row(lineForm, QStringLiteral("チャネルアクセストークン(&K)"), txtLineToken);
    row(lineForm, QStringLiteral("送信先(&L)"), txtLineTo);

    txtWebhook = edit("txtWebhook", true);
    cmbWebhookFormat = Make<QComboBox>("cmbWebhookFormat");
    cmbWebhookFormat->addItems({QStringLiteral("JSON"), QStringLiteral("Slack"), QStringLiteral("Discord")});
    auto* hookBox = new QGroupBox(QStringLiteral("Webhook"));
    auto* hookForm = new QFormLayout(hookBox);
    row(hookForm, QStringLiteral("URL(&U)"), txtWebhook);
    row(hookForm, QStringLiteral("形式(&F)"), cmbWebhookFormat);

    txtMailTo = edit("txtMailTo", true);
    txtMailTo->setPlaceholderText(QStringLiteral("複数のときは「,」で区切る"));
    txtMailFrom = edit("txtMailFrom", true);
    txtSmtpUrl = edit("txtSmtpUrl", true);
    txtSmtpUrl->setPlaceholderText(QStringLiteral("smtps://smtp.example.jp:465"));
    txtSmtpUser = edit("txtSmtpUser", true);
    txtSmtpPassword = edit("txtSmtpPassword", true);
    txtSmtpPassword->setEchoMode(QLineEdit::Password);
    auto* mailBox = new QGroupBox(QStringLiteral("メール"));
    auto* mailForm = new QFormLayout(mailBox);
    row(mailForm, QStringLiteral("宛先(&T)"), txtMailTo);
    row(mailForm, QStringLiteral("差出人(&M)"), txtMailFrom);
    row(mailForm, QStringLiteral("送信サーバー(&S)"), txtSmtpUrl);
    row(mailForm, QStringLiteral("ユーザー名(&E)"), txtSmtpUser);
    row(mailForm, QStringLiteral("パスワード(&P)"), txtSmtpPassword);

    rdoWhenChanges = Make<QRadioButton>("rdoWhenChanges");
    rdoWhenRows = Make<QRadioButton>("rdoWhenRows");
    rdoWhenAlways = Make<QRadioButton>("rdoWhenAlways");
    rdoWhenChanges->setText(QStringLiteral("新着・変化があったとき(&N)"));
    rdoWhenRows->setText(QStringLiteral("行を書いたとき(&R)"));
    rdoWhenAlways->setText(QStringLiteral("毎回(&A)"));
    chkOnFailure = Make<QCheckBox>("chkOnFailure");
    chkOnFailure->setText(QStringLiteral("取得に失敗したときも送信する(&I)"));
    auto* whenBox = new QGroupBox(QStringLiteral("送信するとき"));
    auto* whenLayout = new QVBoxLayout(whenBox);
    for (QWidget* control : std::vector<QWidget*>{rdoWhenChanges, rdoWhenRows, rdoWhenAlways, chkOnFailure}) {
        whenLayout->addWidget(control);
    }

    btnTest = Make<QPushButton>("btnTest");
    btnTest->setText(QStringLiteral("テスト送信(&X)"));
    btnTest->setAutoDefault(false);
    txtAnswers = Make<QPlainTextEdit>("txtAnswers");
    txtAnswers->setReadOnly(true);
    txtAnswers->setTabChangesFocus(true);
    txtAnswers->setFixedHeight(64);
    txtAnswers->setPlaceholderText(QStringLiteral("テスト送信の結果がここに表示されます"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    btnOk = buttons->button(QDialogButtonBox::Ok);
    btnCancel = buttons->button(QDialogButtonBox::Cancel);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnOk->setText(texts::kOkButton);
    btnCancel->setText(texts::kCancelButton);
    btnOk->setDefault(true);

    auto* testRow = new QHBoxLayout;
    testRow->addWidget(btnTest, 0, Qt::AlignTop);
    testRow->addWidget(txtAnswers);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* box : std::vector<QWidget*>{lineBox, hookBox, mailBox, whenBox}) {
        layout->addWidget(box);
    }
    layout->addLayout(testRow);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &NotifyDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NotifyDialog::reject);
    connect(btnTest, &QPushButton::clicked, this, &NotifyDialog::btnTestClick);
}

void NotifyDialog::ShowValues() {
    txtLineToken->setText(saved_.lineTokenFile.empty() ? QString() : kKeptSecret);
    txtLineTo->setText(FromCp932(saved_.lineTo));
    txtWebhook->setText(FromCp932(saved_.webhook));
    const std::string format = AsciiLower(saved_.webhookFormat);
    for (int i = 0; i < static_cast<int>(std::size(kFormats)); ++i) {
        if (format == kFormats[i]) {
            cmbWebhookFormat->setCurrentIndex(i);
        }
    }
    txtMailTo->setText(FromCp932(saved_.mailTo));
    txtMailFrom->setText(FromCp932(saved_.mailFrom));
    txtSmtpUrl->setText(FromCp932(saved_.smtpUrl));
    txtSmtpUser->setText(FromCp932(saved_.smtpUser));
    txtSmtpPassword->setText(saved_.smtpPasswordFile.empty() ? QString() : kKeptSecret);
    const std::string when = AsciiLower(saved_.when);
    // When=bargains, set by hand, has no button here: none is ticked, and OK keeps it.
    if (when != "bargains") {
        (when == "rows" ? rdoWhenRows : when == "always" ? rdoWhenAlways : rdoWhenChanges)->setChecked(true);
    }
    chkOnFailure->setChecked(AsciiLower(saved_.onFailure) != "no");
}

void NotifyDialog::Refuse(const NotifyRefusal& refusal, bool tokenTyped) {
    struct Known {
        NotifyField field;
        QWidget* control;
        QString text;
    };
    const Known known[] = {
        {NotifyField::LineToken, txtLineToken,
         tokenTyped ? QStringLiteral("チャネルアクセストークンに使えない文字が含まれています。")
                    : QStringLiteral("送信先を使うときはチャネルアクセストークンも入力してください。")},
        {NotifyField::LineTo, txtLineTo,
         QStringLiteral("送信先には LINE のユーザー ID（U で始まる 33 文字）かグループ ID を入力してください。")},
        {NotifyField::Webhook, txtWebhook,
         QStringLiteral("Webhook の URL には https:// で始まる URL を入力してください。")},
        {NotifyField::MailTo, txtMailTo, QStringLiteral("宛先にはメールアドレスを入力してください。")},
        {NotifyField::MailFrom, txtMailFrom, QStringLiteral("差出人にはメールアドレスを入力してください。")},
        {NotifyField::SmtpUrl, txtSmtpUrl,
         QStringLiteral("送信サーバーには smtps:// か smtp:// で始まる URL を入力してください。")},
        {NotifyField::SmtpUser, txtSmtpUser, QStringLiteral("パスワードを使うときはユーザー名も入力してください。")},
        {NotifyField::SmtpPassword, txtSmtpPassword,
         QStringLiteral("ユーザー名を使うときはパスワードも入力してください。")},
    };
    for (const Known& k : known) {
        if (k.field == refusal.field) {
            prompt_.Information(this, k.text, texts::kCaptionError);
            k.control->setFocus();
            return;
        }
    }
    // A value the dialog does not show (LineApi), set by hand in the file: named as the file names it.
    prompt_.Information(this, FromCp932(refusal.text), texts::kCaptionError);
}

std::optional<NotifyDialog::Form> NotifyDialog::ReadForm() {
    Form form;
    NotifyValues& values = form.values;
    values.lineApi = saved_.lineApi;
    values.lineTo = Field(txtLineTo);
    values.webhook = Field(txtWebhook);
    values.webhookFormat = kFormats[std::max(0, cmbWebhookFormat->currentIndex())];
    values.mailTo = Field(txtMailTo);
    values.mailFrom = Field(txtMailFrom);
    values.smtpUrl = Field(txtSmtpUrl);
    values.smtpUser = Field(txtSmtpUser);
    values.when = rdoWhenRows->isChecked()      ? "rows"
                  : rdoWhenAlways->isChecked()  ? "always"
                  : rdoWhenChanges->isChecked() ? "changes"
                                                : saved_.when;
    values.bargain = saved_.bargain;
    values.onFailure = chkOnFailure->isChecked() ? "yes" : "no";
    // A secret left as shown keeps its file; one emptied is given up; one typed replaces it.
    const auto secret = [](const QLineEdit* field, const std::string& file, std::string& keptFile,
                           std::optional<std::string>& typed) {
        if (field->text() == kKeptSecret) {
            keptFile = file;
        } else if (!field->text().isEmpty()) {
            typed = field->text().toStdString();
        }
    };
    secret(txtLineToken, saved_.lineTokenFile, values.lineTokenFile, form.typed.lineToken);
    secret(txtSmtpPassword, saved_.smtpPasswordFile, values.smtpPasswordFile, form.typed.smtpPassword);
    if (form.typed.lineToken) {
        // Pasted from LINE's console, a token often brings a blank along.
        *form.typed.lineToken = QString::fromStdString(*form.typed.lineToken).trimmed().toStdString();
        if (form.typed.lineToken->empty()) {
            form.typed.lineToken.reset();
        }
    }

    const bool tokenTyped = form.typed.lineToken.has_value();
    std::optional<NotifyRefusal> refusal =
        tokenTyped ? LineTokenRefusal(*form.typed.lineToken, "the typed token") : std::nullopt;
    if (!refusal) {
        refusal = NotifyValuesRefusal(values, form.typed.smtpPassword || !values.smtpPasswordFile.empty(),
                                      tokenTyped || !values.lineTokenFile.empty());
    }
    if (refusal) {
        Refuse(*refusal, tokenTyped);
        return std::nullopt;
    }
    return form;
}

void NotifyDialog::accept() {
    std::optional<Form> form = ReadForm();
    if (!form) {
        return;
    }
    const std::filesystem::path settingsPath = SettingsFilePath(programDir_);
    const auto cannotWrite = [this](const std::filesystem::path& path) {
        prompt_.Error(this, texts::kCannotWrite.arg(QFile::decodeName(QByteArray::fromStdString(path.native()))));
    };
    for (const auto& [typed, name, key] :
         {std::tuple{&form->typed.lineToken, kLineTokenFile, &form->values.lineTokenFile},
          std::tuple{&form->typed.smtpPassword, kSmtpPasswordFile, &form->values.smtpPasswordFile}}) {
        if (*typed) {
            if (!WriteSecretFile(programDir_ / name, **typed)) {
                cannotWrite(programDir_ / name);
                return;
            }
            *key = name;
        }
    }
    ProfileFile file(settingsPath);
    if (!WriteNotifyValues(file, form->values)) {
        cannotWrite(settingsPath);
        return;
    }
    QDialog::accept();
}

void NotifyDialog::btnTestClick() {
    const std::optional<Form> form = ReadForm();
    if (!form || sender_.joinable()) {
        return;
    }
    const NotifySettings settings = NotifySettingsOf(form->values, programDir_, form->typed);
    if (!settings.anyConfigured()) {
        txtAnswers->setPlainText(QStringLiteral("送信先が入力されていません。"));
        emit testAnswered();
        return;
    }
    AlertTransport transport =
        AlertTransportFor(ReadSiteSettings(ProfileFile(SettingsFilePath(programDir_))), programDir_);
    transport.stopRequested = [this] { return closing_.load(); };
    btnTest->setEnabled(false);
    txtAnswers->setPlainText(QStringLiteral("送信中…"));
    sender_ = std::thread([this, settings, transport] {
        QString answers;
        for (const ChannelResult& result : SendTestAlert(settings, transport, "vorn-search")) {
            answers += (result.ok ? QStringLiteral("○ ") : QStringLiteral("× ")) +
                       QString::fromStdString(DescribeResult(result)) + QLatin1Char('\n');
        }
        QMetaObject::invokeMethod(
            this,
            [this, answers] {
                sender_.join();
                txtAnswers->setPlainText(answers.trimmed());
                btnTest->setEnabled(true);
                emit testAnswered();
            },
            Qt::QueuedConnection);
    });
}

} // namespace vorn
