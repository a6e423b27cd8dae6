#include "app/window/main_window.h"

#include <system_error>
#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

#include "app/core/filter_settings.h"
#include "app/core/messages.h"
#include "app/core/notify_settings.h"
#include "app/core/run_conditions.h"
#include "app/core/run_options.h"
#include "app/window/application_setup.h"
#include "app/window/prompt.h"
#include "app/window/run_file_rules.h"
#include "app/window/window_texts.h"
#include "catalogue/statements.h"
#include "catalogue/widgets/area_selection.h"
#include "catalogue/widgets/genre_tree.h"
#include "catalogue/widgets/qt_text.h"
#include "crawl/crawl_job.h"
#include "crawl/crawl_state.h"
#include "watch/listing_filter.h"

namespace vorn {

namespace {

std::string FileSystemText(const QString& text) { return QFile::encodeName(text).toStdString(); }

QString FromFileSystemText(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

std::filesystem::path ToPath(const QString& text) { return std::filesystem::path(FileSystemText(text)); }

QString PathText(const std::filesystem::path& path) { return FromFileSystemText(path.native()); }

// How the window ends a run that came to outcome. An error that ended it early has been shown
// already, in place of an outcome that would mislead.
int EndStateFor(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::RowsWritten:
        return TFrmMain::esNone;
    case RunOutcome::NothingFound:
        return TFrmMain::esNoItems;
    case RunOutcome::SiteUnreachable:
        return TFrmMain::esSiteFailed;
    case RunOutcome::PagesUnrecognised:
        return TFrmMain::esPagesUnrecognised;
    case RunOutcome::SiteRefused:
        return TFrmMain::esSiteRefused;
    case RunOutcome::NotSaved:
        return TFrmMain::esSaveFailed;
    case RunOutcome::Stopped:
    case RunOutcome::Failed:
        break;
    }
    return TFrmMain::esCancelled;
}

} // namespace

void TFrmMain::btnActionClick() {
    // A catalogue refresh lets events through while it runs; it must finish first.
    if (refreshing_) {
        return;
    }
    ctgrIndexList_ = genres_->IndexList();
    const std::string imageDirText = FileSystemText(txtDirPath->text());
    const std::string refusal =
        StartRefusal(areas_->ItemChecks(), ctgrIndexList_, chkImgSave->isChecked(), imageDirText);
    if (!refusal.empty()) {
        Refuse(refusal);
        return;
    }
    if (chkImgSave->isChecked()) {
        // A folder already ending in the separator keeps the text as typed.
        if (const std::string checked = ImageDirTextAfterCheck(imageDirText); checked != imageDirText) {
            txtDirPath->setText(FromFileSystemText(checked));
        }
    }

    // The terminal program may be running a crawl or a refresh from cron: it must end first.
    RunLockAttempt runLock = TryRunLock(programDir_);
    if (runLock.busy) {
        Refuse(msg::OtherRunActive());
        return;
    }

    // [Filter] of the settings file, which cron's runs share; a bad value stops the run here.
    FilterReading filter = ReadFilterSettings(ProfileFile(SettingsFilePath(programDir_)));
    if (!filter.refusal.empty()) {
        Refuse(filter.refusal);
        return;
    }
    filter_ = std::move(filter.settings);
    const ModeRead mode = ReadWriteMode(ProfileFile(SettingsFilePath(programDir_)));
    if (!mode.refusal.empty()) {
        Refuse(mode.refusal);
        return;
    }
    mode_ = mode.mode;

    const QString proposal = DefaultCsvFileName(cmbArea->currentIndex(), cmbArea->currentText());
    csvFileName_ = ToPath(proposal);
    // Opens where the user saved last in this session, as desktop save dialogs do.
    const QString folder = lastCsvFolder_.isEmpty() ? DocumentsFolder() : lastCsvFolder_;
    // The first file type is the program's own code page; the second keeps every character; the
    // third is the workbook.
    const std::optional<SaveChoice> chosen =
        prompt_.SaveFileName(this, texts::kSaveDialogTitle,
                             {texts::kSaveDialogFilter, texts::kSaveDialogFilterUtf8, texts::kSaveDialogFilterWorkbook},
                             folder, proposal, saveType_);
    if (!chosen) {
        return;
    }
    const SaveTarget target = SaveTargetFor(chosen->path, chosen->filter);
    saveType_ = target.type;
    csvEncoding_ = target.type == kSaveCsvUtf8 ? CsvEncoding::Utf8 : CsvEncoding::Cp932;
    workbook_ = target.type == kSaveWorkbook;
    lastCsvFolder_ = QFileInfo(chosen->path).absolutePath();
    csvFileName_ = ToPath(target.path);
    if (!PrepareOutput(csvFileName_, mode_, workbook_)) {
        Refuse(msg::FileInUse());
        return;
    }

    runLock_ = std::move(runLock.lock);
    runOutput_ = std::make_unique<RunOutputRecord>(programDir_, csvFileName_);
    EnterRunning();
    try {
        db_.Execute(sql::kDeleteSeen);
        if (myThread_ == nullptr) {
            StartCrawlJob();
        }
    } catch (const std::exception& failure) {
        // No job will hand back: show the error and be idle again.
        ShowError(failure);
        runOutput_.reset();
        runLock_.reset();
        RestoreCursor();
        lblStatus->clear();
        SetRunningState(false);
    }
}

void TFrmMain::NotifyIfAway(const QString& caption, const QString& message) {
    if (!isActiveWindow()) {
        notification_.Show(caption, message, countsLine_);
    }
}

void TFrmMain::SendAlert(const std::string& failure) {
    const ProfileFile settings(SettingsFilePath(programDir_));
    const NotifySettings notify = ReadNotifySettings(settings, programDir_);
    if (watch_ == nullptr || !notify.anyConfigured()) {
        return;
    }
    if (alertThread_.joinable()) {
        alertThread_.join();
    }
    AlertTransport transport = AlertTransportFor(site_, programDir_);
    transport.stopRequested = [this] { return closing_.load(); };
    // The services may be slow or silent: the window stays usable, and a failure reaches the
    // status line when it is known.
    alertThread_ = std::thread([this, notify, transport, alert = AlertOf(*watch_, notify.bargain, {}, failure)] {
        const std::vector<ChannelResult> results = SendRunAlert(notify, alert, transport);
        QString failures;
        for (const ChannelResult& result : results) {
            if (!result.ok) {
                failures += (failures.isEmpty() ? QString() : QStringLiteral(" / ")) +
                            QString::fromStdString(DescribeResult(result));
            }
        }
        if (!failures.isEmpty() && !closing_.load()) {
            QMetaObject::invokeMethod(
                this,
                [this, failures] {
                    if (!isRunning_) {
                        lblStatus->setText(failures);
                    }
                },
                Qt::QueuedConnection);
        }
    });
}

void TFrmMain::Refuse(const std::string& messageCp932) { Information(FromCp932(messageCp932), texts::kCaptionError); }

void TFrmMain::EnterRunning() {
    endState_ = esNone;
    if (!cursorSaved_) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        cursorSaved_ = true;
    }
    SetRunningState(true);
    lblStatus->setText(FromCp932(msg::Fetching()));
    repaint();
}

void TFrmMain::StartCrawlJob() {
    ApplySiteSettings(site_, programDir_);

    watch_ = std::make_unique<RunWatch>(db_, mode_, filter_);
    countsLine_.clear();
    CrawlConfig config;
    config.programDir = programDir_;
    config.baseUrl = site_.baseUrl;
    config.pause = crawlPause_;
    config.retries = site_.retries;
    auto* job = new CrawlJob(*this, config);
    connect(job, &QThread::finished, job, &QObject::deleteLater);
    myThread_ = job;
    lastJob_ = job;
    crawlResult_ = 0;
    isRunning_ = true;
    job->start();
}

void TFrmMain::btnCancelClick() {
    if (isRunning_) {
        if (endState_ == esNone) {
            const bool stop = prompt_.Question(this, texts::kAskCancel, texts::kCaptionCancel, true);
            // The run may have handed back while the question was open.
            if (stop && isRunning_ && endState_ == esNone) {
                endState_ = esCancelled;
                myThread_->RequestStop();
            }
        } else if (endState_ == esCloseAsked) {
            if (myThread_ != nullptr) {
                myThread_->RequestStop();
            }
            endState_ = esClosing;
        }
        // A further press while a stop is pending changes nothing.
        return;
    }
    myThread_ = nullptr;
    // A close takes its own course, whatever the run came to.
    if (endState_ != esCloseAsked && endState_ != esClosing) {
        endState_ = EndStateFor(runOutcome_);
    }
    FinishRun(endState_);
}

void TFrmMain::FinishRun(int endState) {
    runOutput_.reset();
    runLock_.reset();
    RestoreCursor();
    const bool shown = endState == esNone || endState == esNoItems || endState == esSaveFailed ||
                       endState == esSiteFailed || endState == esPagesUnrecognised || endState == esSiteRefused;
    if (shown) {
        prompt_.Attention(this);
    }
    std::string pageLines;
    for (const std::string& line : pageLines_) {
        pageLines += (pageLines.empty() ? "" : "\n") + line;
    }
    // A run that met pages refused or not read says so before its outcome; a refused run, in its
    // own box.
    if (shown && endState != esSiteRefused && !pageLines.empty()) {
        Refuse(pageLines);
    }
    const QString completed =
        FromCp932(msg::RunCompleted()) + (ShowsCounts() ? QLatin1Char('\n') + countsLine_ : QString());
    switch (endState) {
    case esNone:
        NotifyIfAway(texts::kCaptionFinished, FromCp932(msg::RunCompleted()));
        if (prompt_.Question(this, completed, texts::kCaptionFinished, false)) {
            std::error_code error;
            if (std::filesystem::is_regular_file(csvFileName_, error)) {
                prompt_.OpenFile(PathText(csvFileName_));
            } else {
                Information(texts::kFileNotFound, texts::kCaptionFinished);
            }
        }
        break;
    case esNoItems:
        NotifyIfAway(texts::kCaptionNoItems, FromCp932(NothingFoundText(mode_)));
        Information(FromCp932(NothingFoundText(mode_)), texts::kCaptionNoItems);
        break;
    case esSaveFailed:
        NotifyIfAway(texts::kCaptionError, FromCp932(msg::SaveFailed()));
        Refuse(msg::SaveFailed());
        break;
    case esSiteFailed:
        NotifyIfAway(texts::kCaptionError, FromCp932(msg::SiteUnreachable()));
        Refuse(msg::SiteUnreachable());
        break;
    case esPagesUnrecognised:
        NotifyIfAway(texts::kCaptionError, FromCp932(msg::PagesUnrecognised()));
        Refuse(msg::PagesUnrecognised());
        break;
    case esSiteRefused:
        NotifyIfAway(texts::kCaptionError, FromCp932(siteRefusedText_));
        Refuse(siteRefusedText_ + (pageLines.empty() ? "" : "\n") + pageLines);
        break;
    case esCloseAsked:
    case esClosing:
        btnCancel->setEnabled(false);
        SaveSettings();
        Terminate();
        return;
    default:
        break;
    }
    if (taskbarReady_) {
        taskbar_.SetState(TaskbarProgress::State::None);
    }
    prgBar->setValue(0);
    // The counts stay in view until the next run.
    if (!ShowsCounts()) {
        lblStatus->clear();
    }
    SetRunningState(false);
}

bool TFrmMain::ShowsCounts() const {
    // Only a run with a daily mode or a filter tells its counts beside the usual texts.
    return (mode_ != WriteMode::All || ListingFilter(filter_).Active()) && !countsLine_.isEmpty();
}

void TFrmMain::SetRunningState(bool running) {
    const bool idle = !running;
    for (QWidget* control :
         std::initializer_list<QWidget*>{btnAction, btnClear, chkArea, cmbArea, clstArea, chkItem, TreeView, spbExpand,
                                         spbCollapse, lblWord, txtWord, chkImgSave, btnOption, btnHistory}) {
        control->setEnabled(idle);
    }
    btnCancel->setEnabled(running);
    txtDirPath->setEnabled(idle && chkImgSave->isChecked());
    btnDirPath->setEnabled(idle && chkImgSave->isChecked());
    img01->setToolTip(idle ? texts::kImageHint : QString());
}

void TFrmMain::RestoreCursor() {
    if (cursorSaved_) {
        QApplication::restoreOverrideCursor();
        cursorSaved_ = false;
    }
}

void TFrmMain::btnClearClick() {
    if (!prompt_.Question(this, texts::kAskClear, texts::kCaptionClear, true)) {
        return;
    }
    lblStatus->clear();
    txtWord->clear();
    txtDirPath->setText(InitialImageFolder());
    chkImgSave->setChecked(false);
    areas_->Clear();
    genres_->Clear();
    clstArea->setFocus();
}

bool TFrmMain::FormCloseQuery() {
    if (refreshing_) {
        // The refresh stops before its next page, and the window then closes.
        refreshStopAsked_ = true;
        return false;
    }
    if (!btnCancel->isEnabled()) {
        // Without the database the program ends at start-up and keeps no settings.
        if (dbFound_) {
            SaveSettings();
        }
        return true;
    }
    if (prompt_.Question(this, texts::kAskClose, texts::kCaptionClose, true)) {
        if (!btnCancel->isEnabled()) {
            // The run handed back while the question was open: close as when idle.
            SaveSettings();
            return true;
        }
        endState_ = endState_ == esCloseAsked ? esClosing : esCloseAsked;
        btnCancelClick();
    }
    // The program ends when the job hands back.
    return false;
}

void TFrmMain::ShutDown() {
    if (terminating_) {
        return;
    }
    if (refreshing_) {
        // The refresh stops before its next page, and the window then closes.
        refreshStopAsked_ = true;
        return;
    }
    if (isRunning_) {
        endState_ = esClosing;
        if (myThread_ != nullptr) {
            myThread_->RequestStop();
        }
        return;
    }
    if (dbFound_) {
        SaveSettings();
    }
    Terminate();
}

void TFrmMain::btnDirPathClick() {
    const std::optional<QString> folder = prompt_.BrowseFolder(this, texts::kFolderDialogTitle, DesktopFolder());
    if (folder && !folder->isEmpty()) {
        txtDirPath->setText(FromFileSystemText(WithFolderSeparator(FileSystemText(*folder))));
    }
}

} // namespace vorn
