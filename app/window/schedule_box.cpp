#include "app/window/schedule_box.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/core/saved_schedule.h"
#include "app/window/prompt.h"
#include "app/window/run_file_rules.h"
#include "app/window/window_texts.h"
#include "catalogue/widgets/qt_text.h"
#include "web/cp932.h"

namespace vorn {

namespace {

// What users of a timer are caught out by: logged out, the machine off.
const QString kScheduleNote = QStringLiteral(
    "自動実行はログインしている間に行われます。電源が切れていて実行できなかった分は、次の起動時に実行されます。"
    "ログアウト中も実行するには、端末で「loginctl enable-linger」を実行してください。");

// The file system's spelling of the settings file's text, and back.
QString FromSettings(const std::string& cp932) { return QString::fromStdString(AnsiToUtf8(cp932)); }

} // namespace

ScheduleBox::ScheduleBox(Prompt& prompt, QWidget* parent) : QWidget(parent), prompt_(prompt) {
    setObjectName(QStringLiteral("ScheduleBox"));
    txtOutput = new QLineEdit;
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    btnOutput = new QPushButton(QStringLiteral("参照(&R)..."));
    btnOutput->setObjectName(QStringLiteral("btnOutput"));
    btnOutput->setAutoDefault(false);
    chkSchedule = new QCheckBox(QStringLiteral("毎日"));
    chkSchedule->setObjectName(QStringLiteral("chkSchedule"));
    timSchedule = new QTimeEdit(QTime(7, 0));
    timSchedule->setObjectName(QStringLiteral("timSchedule"));
    timSchedule->setDisplayFormat(QStringLiteral("HH:mm"));
    lblNextRun = new QLabel;
    lblNextRun->setObjectName(QStringLiteral("lblNextRun"));
    lblNextRun->setTextFormat(Qt::PlainText);
    auto* note = new QLabel(kScheduleNote);
    note->setWordWrap(true);

    auto* label = new QLabel(QStringLiteral("出力ファイル(&P)"));
    label->setBuddy(txtOutput);
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(txtOutput, 1);
    outputRow->addWidget(btnOutput);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(chkSchedule);
    timeRow->addWidget(timSchedule);
    timeRow->addWidget(new QLabel(QStringLiteral("に自動実行")));
    timeRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addLayout(outputRow);
    layout->addLayout(timeRow);
    layout->addWidget(lblNextRun);
    layout->addWidget(note);

    connect(btnOutput, &QPushButton::clicked, this, &ScheduleBox::btnOutputClick);
    connect(chkSchedule, &QCheckBox::toggled, timSchedule, &QWidget::setEnabled);
    timSchedule->setEnabled(false);
}

void ScheduleBox::ShowSearch(const SavedSearch& search) {
    txtOutput->setText(FromSettings(search.output));
    outputUtf8_ = search.outputUtf8;
    const std::optional<DailyTime> time = ParseDailyTime(search.schedule);
    chkSchedule->setChecked(time.has_value());
    if (time) {
        timSchedule->setTime(QTime(time->hour, time->minute));
    }
}

QString ScheduleBox::Refusal() const {
    const QString output = txtOutput->text().trimmed();
    if (output.isEmpty() && !chkSchedule->isChecked()) {
        return {};
    }
    switch (CheckOutput(output.toStdString())) {
    case OutputProblem::None:
        return {};
    case OutputProblem::Missing:
        return QStringLiteral("自動実行には出力ファイルを指定してください。");
    case OutputProblem::LostCharacters:
        return QStringLiteral("出力ファイルの名前に使えない文字が含まれています。");
    case OutputProblem::NotAbsolute:
        return QStringLiteral("出力ファイルは「/」から始まるパスで指定してください。");
    case OutputProblem::NotCsvOrXlsx:
        return QStringLiteral("出力ファイルは .csv か .xlsx にしてください。");
    case OutputProblem::DateInFolder:
        return QStringLiteral("{date} はフォルダ名ではなくファイル名に入れてください。");
    case OutputProblem::NoFolder:
        return QStringLiteral("出力ファイルのフォルダが見つかりません。");
    }
    return {};
}

void ScheduleBox::ReadInto(SavedSearch& search) const {
    search.output = UTF8ToAnsi(txtOutput->text().trimmed().toStdString());
    search.outputUtf8 = outputUtf8_ && !search.output.empty();
    const QTime time = timSchedule->time();
    search.schedule = chkSchedule->isChecked() ? DailyTimeText({time.hour(), time.minute()}) : std::string();
}

void ScheduleBox::ShowStatus(const std::string& textCp932) {
    lblNextRun->setText(FromCp932(textCp932));
    // More lines than before: the dialog grows rather than lay them over the note.
    if (QWidget* top = window(); top != this && top->layout() != nullptr) {
        top->layout()->activate();
        top->resize(top->size().expandedTo(top->minimumSizeHint()));
    }
}

void ScheduleBox::btnOutputClick() {
    const QFileInfo current(txtOutput->text().trimmed());
    const bool known = !txtOutput->text().trimmed().isEmpty() && current.isAbsolute();
    // A run a day keeps each day's file.
    QString proposal = texts::kDefaultFileName;
    proposal.insert(proposal.lastIndexOf(QLatin1Char('.')), QStringLiteral("_{date}"));
    const std::optional<SaveChoice> chosen = prompt_.SaveFileName(
        this, texts::kSaveDialogTitle,
        {texts::kSaveDialogFilter, texts::kSaveDialogFilterUtf8, texts::kSaveDialogFilterWorkbook},
        known ? current.absolutePath() : QDir::homePath(), known ? current.fileName() : proposal,
        SaveTargetFor(txtOutput->text().trimmed(), outputUtf8_ ? kSaveCsvUtf8 : kSaveCsvCp932).type);
    if (!chosen) {
        return;
    }
    const SaveTarget target = SaveTargetFor(chosen->path, chosen->filter);
    outputUtf8_ = target.type == kSaveCsvUtf8;
    txtOutput->setText(target.path);
}

} // namespace vorn
