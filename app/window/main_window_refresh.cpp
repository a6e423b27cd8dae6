#include "app/window/main_window.h"

#include <system_error>

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/core/messages.h"
#include "app/core/refresh_summary.h"
#include "app/window/prompt.h"
#include "catalogue/refresh/city_refresh.h"
#include "catalogue/refresh/genre_refresh.h"
#include "catalogue/widgets/qt_text.h"
#include "catalogue/widgets/scoped_flag.h"
#include "crawl/crawl_job.h"

namespace vorn {

namespace {

// The window's progress bar and status line during a refresh. The refresh runs on the window's
// thread and lets events through between pages, so that the window repaints and a close
// request is seen.
class WindowRefreshProgress final : public RefreshProgress {
public:
    WindowRefreshProgress(QProgressBar& bar, QLabel& status, const bool& stopAsked)
        : bar_(bar), status_(status), stopAsked_(stopAsked) {}

    void Init(int maximum) override {
        bar_.setValue(0);
        bar_.setRange(0, maximum);
    }
    void Step(int position, int, const std::string& statusCp932) override {
        bar_.setValue(position);
        status_.setText(FromCp932(statusCp932));
        status_.repaint();
    }
    void ProcessPendingEvents() override { QCoreApplication::processEvents(); }
    bool StopRequested() override { return stopAsked_; }

private:
    QProgressBar& bar_;
    QLabel& status_;
    const bool& stopAsked_;
};

} // namespace

void TFrmMain::btnUpdateAreaClick() {
    RunCatalogueRefresh([](CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
        const CityRefreshReport report = RefreshCities(db, site, progress);
        return report.stopped ? std::string() : CityRefreshMessage(report);
    });
}

void TFrmMain::btnUpdateGunreClick() {
    RunCatalogueRefresh([](CatalogueDb& db, const RefreshSite& site, RefreshProgress& progress) {
        const GenreRefreshReport report = RefreshGenres(db, site, progress);
        return report.stopped ? std::string() : GenreRefreshMessage(report);
    });
}

void TFrmMain::RunCatalogueRefresh(const CatalogueRefresh& refresh) {
    // The refresh and a crawl share the scratch file and the database: one at a time.
    if (!dbFound_ || refreshing_ || btnCancel->isEnabled() || myThread_ != nullptr) {
        return;
    }
    // So does a crawl or refresh of the terminal program on the same program folder.
    RunLockAttempt runLock = TryRunLock(programDir_);
    if (runLock.busy) {
        Refuse(msg::OtherRunActive());
        return;
    }
    std::string message;
    {
        const ScopedFlag refreshing(refreshing_);
        refreshStopAsked_ = false;
        // The inputs as in a run, so no crawl starts while the refresh lets events through; a
        // refresh has no Cancel button, a close request stops it instead.
        SetRunningState(true);
        btnCancel->setEnabled(false);
        WindowRefreshProgress progress(*prgBar, *lblStatus, refreshStopAsked_);
        const std::filesystem::path scratchFile = ScratchFile(programDir_);
        try {
            ApplySiteSettings(site_, programDir_);
            message = refresh(db_, RefreshSite{site_.baseUrl, scratchFile}, progress);
        } catch (const std::exception& error) {
            ShowError(error);
        }
        std::error_code ignored;
        std::filesystem::remove(scratchFile, ignored);
        SetRunningState(false);
    }
    runLock.lock.reset();
    if (refreshStopAsked_) {
        refreshStopAsked_ = false;
        close();
        return;
    }
    if (!message.empty()) {
        prompt_.Message(this, FromCp932(message));
    }
}

} // namespace vorn
