#include "app/window/history_dialog.h"

#include <QDate>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/core/run_export.h"
#include "app/core/run_options.h"
#include "app/window/prompt.h"
#include "app/window/run_file_rules.h"
#include "app/window/run_rows_model.h"
#include "app/window/window_texts.h"
#include "catalogue/widgets/qt_text.h"

namespace vorn {

namespace {

enum RunColumn { kStarted, kConditions, kMode, kOutcome, kRows, kFirstCount };
constexpr int kCountColumns = 5;

template <typename Control>
Control* Make(const char* name) {
    auto* control = new Control;
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QString ModeText(const StoredRun& run) {
    QString text = run.mode == WriteModeName(WriteMode::NewOnly)       ? QStringLiteral("未取得のみ")
                   : run.mode == WriteModeName(WriteMode::ChangesOnly) ? QStringLiteral("新着・変化のみ")
                   : run.mode == WriteModeName(WriteMode::All)         ? QStringLiteral("すべて")
                                                                       : QStringLiteral("不明");
    return run.automatic ? text + texts::kAutomaticRun : text;
}

QString OutcomeText(const std::string& outcome) {
    static const std::pair<const char*, QString> words[] = {
        {"rows written", QStringLiteral("完了")},    {"nothing found", QStringLiteral("該当なし")},
        {"stopped", QStringLiteral("中断")},         {"site unreachable", QStringLiteral("接続できず")},
        {"not saved", QStringLiteral("保存できず")}, {"pages unrecognised", QStringLiteral("形式不明")},
        {"failed", QStringLiteral("エラー")},        {"site refused", QStringLiteral("アクセス拒否")},
    };
    if (outcome.empty()) {
        return QStringLiteral("未終了");
    }
    for (const auto& [word, text] : words) {
        if (outcome == word) {
            return text;
        }
    }
    return QString::fromStdString(outcome);
}

std::string FileSystemText(const QString& text) { return QFile::encodeName(text).toStdString(); }

} // namespace

HistoryDialog::HistoryDialog(CatalogueDb& db, Prompt& prompt, QString folder, QWidget* parent)
    : QDialog(parent), db_(db), prompt_(prompt), folder_(std::move(folder)) {
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(texts::kHistoryTitle);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    if (parent != nullptr) {
        setFont(parent->font());
    }
    CreateControls();
    ListRuns();
}

void HistoryDialog::CreateControls() {
    lstRuns = Make<QTreeWidget>("lstRuns");
    lstRuns->setRootIsDecorated(false);
    lstRuns->setUniformRowHeights(true);
    lstRuns->setAllColumnsShowFocus(true);
    lstRuns->setHeaderLabels({QStringLiteral("開始"), QStringLiteral("条件"), QStringLiteral("取得方法"),
                              QStringLiteral("結果"), QStringLiteral("行数"), QStringLiteral("新着"),
                              QStringLiteral("再掲載"), QStringLiteral("値下げ"), QStringLiteral("値上げ"),
                              QStringLiteral("受付終了")});
    lstRuns->header()->setStretchLastSection(false);
    // Measured, not fitted to the contents: a thousand runs would each be measured too.
    lstRuns->setColumnWidth(kStarted, fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16);
    lstRuns->setColumnWidth(kConditions, 150);
    for (int column = kMode; column < kFirstCount + kCountColumns; ++column) {
        lstRuns->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }

    rows_ = new RunRowsModel(db_, this);
    grdRows = Make<QTableView>("grdRows");
    grdRows->setModel(rows_);
    grdRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdRows->setSelectionMode(QAbstractItemView::SingleSelection);
    grdRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRows->setWordWrap(false);
    grdRows->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    grdRows->horizontalHeader()->setStretchLastSection(true);
    grdRows->setColumnWidth(0, 150);
    grdRows->setColumnWidth(1, 240);
    grdRows->installEventFilter(this);

    btnExport = Make<QPushButton>("btnExport");
    btnExport->setText(QStringLiteral("書き出し..."));
    dtpBefore = Make<QDateEdit>("dtpBefore");
    dtpBefore->setCalendarPopup(true);
    dtpBefore->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    // Runs before today at most: the run going on now, or the one a schedule begins, stays.
    dtpBefore->setMaximumDate(QDate::currentDate());
    dtpBefore->setDate(QDate::currentDate().addMonths(-1));
    btnForget = Make<QPushButton>("btnForget");
    btnForget->setText(QStringLiteral("古い履歴を削除..."));
    btnClose = Make<QPushButton>("btnClose");
    btnClose->setText(QStringLiteral("閉じる"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnExport);
    buttons->addStretch();
    auto* beforeLabel = new QLabel(QStringLiteral("この日より前(&B)"));
    beforeLabel->setBuddy(dtpBefore);
    buttons->addWidget(beforeLabel);
    buttons->addWidget(dtpBefore);
    buttons->addWidget(btnForget);
    buttons->addSpacing(16);
    buttons->addWidget(btnClose);

    auto* runsLabel = new QLabel(QStringLiteral("取得の記録(&L)"));
    runsLabel->setBuddy(lstRuns);
    auto* rowsLabel = new QLabel(QStringLiteral("書き出した行(&R)"));
    rowsLabel->setBuddy(grdRows);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(runsLabel);
    layout->addWidget(lstRuns, 2);
    layout->addWidget(rowsLabel);
    layout->addWidget(grdRows, 3);
    layout->addLayout(buttons);
    resize(690, 500);

    connect(lstRuns, &QTreeWidget::currentItemChanged, this, [this] { ShowSelectedRun(); });
    connect(grdRows, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { OpenRow(index.row()); });
    connect(rows_, &RunRowsModel::readFailed, this, [this](const QString& error) { ShowStoreError(error); });
    connect(btnExport, &QPushButton::clicked, this, [this] { btnExportClick(); });
    connect(btnForget, &QPushButton::clicked, this, [this] { btnForgetClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { reject(); });
}

void HistoryDialog::ListRuns() {
    lstRuns->clear();
    try {
        runs_ = StoredRuns(db_);
    } catch (const DbError& error) {
        runs_.clear();
        ShowStoreError(QString::fromUtf8(error.what()));
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<int>(runs_.size()));
    for (const StoredRun& run : runs_) {
        QStringList values = {QString::fromStdString(run.started), FromCp932(run.conditions), ModeText(run),
                              OutcomeText(run.outcome), QString::number(run.rows)};
        for (int kind = 0; kind < kCountColumns; ++kind) {
            values << QString::number(run.counts.counts[kind]);
        }
        auto* item = new QTreeWidgetItem(values);
        for (int column = kRows; column < kFirstCount + kCountColumns; ++column) {
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        }
        items << item;
    }
    lstRuns->addTopLevelItems(items);
    if (!items.isEmpty()) {
        lstRuns->setCurrentItem(items.front());
    }
    ShowSelectedRun();
    btnForget->setEnabled(!runs_.empty());
}

const StoredRun* HistoryDialog::SelectedRun() const {
    const int row = lstRuns->indexOfTopLevelItem(lstRuns->currentItem());
    return row >= 0 && row < static_cast<int>(runs_.size()) ? &runs_[row] : nullptr;
}

void HistoryDialog::ShowSelectedRun() {
    const StoredRun* run = SelectedRun();
    rows_->ShowRun(run != nullptr ? run->id : 0);
    btnExport->setEnabled(rows_->rowCount() > 0);
}

void HistoryDialog::OpenRow(int row) {
    // The address is "https" and the listing's key; nothing else is handed to the desktop.
    const QUrl url(rows_->UrlOf(row), QUrl::StrictMode);
    if (url.isValid() && url.scheme() == QLatin1String("https")) {
        QDesktopServices::openUrl(url);
    }
}

bool HistoryDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grdRows && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && grdRows->currentIndex().isValid()) {
            OpenRow(grdRows->currentIndex().row());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void HistoryDialog::btnExportClick() {
    const StoredRun* run = SelectedRun();
    if (run == nullptr) {
        return;
    }
    // Named after the run's start, so the files of several runs sort by it.
    QString proposal = QString::fromStdString(run->started);
    proposal.replace(QLatin1Char('-'), QString()).replace(QLatin1Char(':'), QString());
    proposal.replace(QLatin1Char(' '), QLatin1Char('_'));
    proposal = texts::kHistoryFilePrefix + proposal + QStringLiteral(".csv");
    const std::optional<SaveChoice> chosen =
        prompt_.SaveFileName(this, texts::kHistorySaveTitle,
                             {texts::kSaveDialogFilter, texts::kSaveDialogFilterUtf8, texts::kSaveDialogFilterWorkbook},
                             folder_, proposal, kSaveCsvCp932);
    if (!chosen) {
        return;
    }
    const SaveTarget target = SaveTargetFor(chosen->path, chosen->filter);
    const ExportFormat format = target.type == kSaveWorkbook  ? ExportFormat::Workbook
                                : target.type == kSaveCsvUtf8 ? ExportFormat::Utf8
                                                              : ExportFormat::Cp932;
    const QString& path = target.path;
    folder_ = QFileInfo(path).absolutePath();
    std::optional<std::int64_t> written;
    try {
        written = ExportRunRows(db_, *run, FileSystemText(path), format);
    } catch (const DbError& error) {
        ShowStoreError(QString::fromUtf8(error.what()));
        return;
    }
    if (!written) {
        prompt_.Information(this, texts::kCannotWrite.arg(path), texts::kCaptionError);
        return;
    }
    prompt_.Information(this, texts::kHistoryWritten.arg(*written).arg(path), texts::kHistoryTitle);
}

void HistoryDialog::btnForgetClick() {
    const QString day = dtpBefore->date().toString(QStringLiteral("yyyy-MM-dd"));
    const std::string dayText = day.toStdString();
    const auto before =
        std::count_if(runs_.begin(), runs_.end(), [&dayText](const StoredRun& run) { return run.started < dayText; });
    if (before == 0) {
        prompt_.Information(this, texts::kHistoryNoneBefore.arg(day), texts::kHistoryTitle);
        return;
    }
    if (!prompt_.Question(this, texts::kAskForgetHistory.arg(day).arg(before), texts::kCaptionClear, false)) {
        return;
    }
    try {
        ForgetRunsBefore(db_, dayText);
    } catch (const DbError& error) {
        ShowStoreError(QString::fromUtf8(error.what()));
    }
    ListRuns();
}

void HistoryDialog::ShowStoreError(const QString& error) {
    prompt_.Information(this, texts::kHistoryUnreadable.arg(error), texts::kCaptionError);
}

} // namespace vorn
