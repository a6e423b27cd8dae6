#include "app/window/main_window.h"

#include <ctime>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>

#include "app/core/messages.h"
#include "app/core/saved_schedule.h"
#include "app/window/prompt.h"
#include "app/window/window_texts.h"
#include "catalogue/widgets/area_selection.h"
#include "catalogue/widgets/genre_tree.h"
#include "catalogue/widgets/qt_text.h"
#include "crawl/crawl_job.h"
#include "web/fetch_page.h"

namespace vorn {

namespace {

// The window's private "after show" message.
const QEvent::Type kAfterShowEvent = static_cast<QEvent::Type>(QEvent::User + 100);
constexpr int kHintDisplayMs = 60000;

} // namespace

TFrmMain::TFrmMain(std::filesystem::path programDir, Prompt& prompt, QWidget* parent)
    : QWidget(parent), programDir_(std::move(programDir)), prompt_(prompt) {
    setWindowTitle(texts::kTitle);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(468, 421);
    move(0, 0);
    CreateControls();
    PlaceControls();
    SetFonts();
    SetTabOrder();
    InitSelection();
    ConnectHandlers();
}

TFrmMain::~TFrmMain() {
    // A run still going would call back into a window that is gone: stop it and let it hand
    // back first (it needs this thread for its calls), then let its thread end.
    destroying_ = true;
    if (myThread_ != nullptr) {
        myThread_->RequestStop();
        while (isRunning_) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
    if (lastJob_ != nullptr) {
        lastJob_->wait();
    }
    // An alert still being sent is cut short: the program is ending.
    closing_.store(true);
    if (alertThread_.joinable()) {
        alertThread_.join();
    }
    RestoreCursor();
}

void TFrmMain::ConnectHandlers() {
    connect(btnAction, &QPushButton::clicked, this, [this] { RunCommand([this] { btnActionClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { RunCommand([this] { btnCancelClick(); }); });
    connect(btnClear, &QPushButton::clicked, this, [this] { RunCommand([this] { btnClearClick(); }); });
    connect(btnDirPath, &QPushButton::clicked, this, [this] { RunCommand([this] { btnDirPathClick(); }); });
    connect(btnOption, &QPushButton::clicked, this, [this] { RunCommand([this] { btnOptionClick(); }); });
    connect(btnHistory, &QPushButton::clicked, this, [this] { RunCommand([this] { btnHistoryClick(); }); });
    connect(chkImgSave, &QCheckBox::toggled, this, &TFrmMain::chkImgSaveClick);
    connect(btnUpdateArea, &QPushButton::clicked, this, &TFrmMain::btnUpdateAreaClick);
    connect(btnUpdateGunre, &QPushButton::clicked, this, &TFrmMain::btnUpdateGunreClick);
}

void TFrmMain::FormCreate() {
    taskbarReady_ = false;
    dbFound_ = false;
    const std::filesystem::path database = DatabaseFilePath(programDir_);
    try {
        taskbarReady_ = taskbar_.Init();
        std::error_code ignored;
        if (std::filesystem::exists(database, ignored)) {
            dbFound_ = true;
            db_.Configure(database);
            site_ = ReadSiteSettings(ProfileFile(SettingsFilePath(programDir_)));
            LoadGenreTree();
            genres_->ShowCheckBoxes();
        }
        img01->setToolTip(texts::kImageHint);
        img01->setToolTipDuration(kHintDisplayMs);
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TFrmMain::AfterShow() {
    if (dbFound_) {
        RunCommand([this] { LoadSettings(); });
        // The next automatic run, and the last ones that failed, until the first run's status.
        const std::string schedule =
            ScheduleStatusText(ProfileFile(SettingsFilePath(programDir_)), programDir_, std::time(nullptr));
        if (!schedule.empty()) {
            lblStatus->setText(FromCp932(schedule).replace(QLatin1Char('\n'), QStringLiteral("\u3000")));
            lblStatus->setToolTip(FromCp932(schedule));
        }
        return;
    }
    Information(FromCp932(msg::DatabaseMissing()), texts::kCaptionSettingsError);
    Terminate();
}

void TFrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!afterShowPosted_) {
        afterShowPosted_ = true;
        QCoreApplication::postEvent(this, new QEvent(kAfterShowEvent));
    }
}

void TFrmMain::customEvent(QEvent* event) {
    if (event->type() == kAfterShowEvent) {
        AfterShow();
        return;
    }
    QWidget::customEvent(event);
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    if (terminating_ || FormCloseQuery()) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && (watched == txtWord || watched == txtDirPath)) {
        static_cast<QLineEdit*>(watched)->selectAll();
        return true;
    }
    // The hint of img01 shows at once and stays for a minute.
    if (event->type() == QEvent::Enter && watched == img01 && !img01->toolTip().isEmpty()) {
        QToolTip::showText(QCursor::pos(), img01->toolTip(), img01, QRect(), kHintDisplayMs);
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmMain::RunCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TFrmMain::ShowError(const std::exception& error) { prompt_.Error(this, QString::fromUtf8(error.what())); }

void TFrmMain::Information(const QString& text, const QString& caption) { prompt_.Information(this, text, caption); }

void TFrmMain::Terminate() {
    terminating_ = true;
    emit terminateRequested();
}

} // namespace vorn
