#pragma once

#include <atomic>
#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/core/run_lock.h"
#include "app/core/run_outcome.h"
#include "app/core/run_output.h"
#include "app/core/saved_conditions.h"
#include "app/window/desktop_notification.h"
#include "app/window/taskbar_progress.h"
#include "catalogue/catalogue_db.h"
#include "crawl/crawl_front_end.h"
#include "extract/csv_output.h"
#include "extract/item_context.h"
#include "watch/run_watch.h"
#include "watch/watch_settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace vorn {

class AreaSelection;
class CrawlJob;
class GenreTree;
class Prompt;
class RefreshProgress;
struct RefreshSite;

// The program's only window: the selection, the run buttons, and the run's life from the start
// command to the outcome message. It is the crawl job's front end: the job calls it on this
// window's thread and never touches a widget itself.
class TFrmMain : public QWidget, public CrawlFrontEnd {
    Q_OBJECT
public:
    // How the current run ends.
    enum EndState {
        esNone = 0,        // set at Start; at the hand-back: rows were written
        esNoItems = 1,     // the run wrote no row
        esCancelled = 2,   // the user confirmed Cancel
        esCloseAsked = 5,  // the user confirmed closing during a run
        esClosing = 6,     // closing; the job has been asked to stop
        esSaveFailed = 8,  // the CSV file could not be written
        esSiteFailed = 9,  // the site could not be reached
        esPagesUnrecognised = 10, // nothing read: the site's results pages could not be read
        esSiteRefused = 11,       // the site refused the run
    };

    TFrmMain(std::filesystem::path programDir, Prompt& prompt, QWidget* parent = nullptr);
    ~TFrmMain() override;

    // Set-up before the first show: database, genre tree, taskbar, hints.
    void FormCreate();
    // Runs once the window is visible: the settings, or the missing-database message and the end.
    void AfterShow();
    void LoadSettings();
    void SaveSettings();

    void btnActionClick();
    // The Cancel button, and the job's hand-back once isRunning is false.
    void btnCancelClick();
    void FinishRun(int endState);
    void btnClearClick();
    // True when the window may close now.
    bool FormCloseQuery();
    // Ends the program unasked (SIGTERM): a run stops as a confirmed cancel stops it and the
    // program ends at its hand-back; idle, the settings are saved and it ends now.
    void ShutDown();
    void btnDirPathClick();
    // The options dialog: the daily options, the filters, the retries and the saved searches.
    void btnOptionClick();
    // The history dialog: the runs kept, their rows, a run written again, old runs forgotten.
    void btnHistoryClick();
    // The conditions as [Config] holds them, and the same put into the controls as if by hand.
    SavedConditions CurrentConditions() const;
    void ApplyConditions(const SavedConditions& saved);
    void chkImgSaveClick(bool checked);
    // The hidden maintenance commands: rebuild the cities or the genres from the site.
    void btnUpdateAreaClick();
    void btnUpdateGunreClick();

    bool dbFound() const { return dbFound_; }
    bool taskbarReady() const { return taskbarReady_; }
    bool isRunning() const { return isRunning_; }
    int endState() const { return endState_; }
    const std::string& ctgrIndexList() const { return ctgrIndexList_; }
    const std::filesystem::path& csvFileName() const { return csvFileName_; }
    CrawlJob* myThread() const { return myThread_; }
    AreaSelection& areaSelection() { return *areas_; }
    GenreTree& genreTree() { return *genres_; }
    // The pause after every fetch; tests shorten it.
    void SetCrawlPause(std::chrono::milliseconds pause) { crawlPause_ = pause; }
    // Where the end of a run is told when the window is not the active one (tests give a bus
    // of their own).
    void SetNotificationBus(const QDBusConnection& bus) { notification_ = DesktopNotification(bus); }

    // CrawlFrontEnd: called by the job on this window's thread.
    QObject* context() override { return this; }
    CrawlSelection TakeSelection() override;
    bool CheckSeen(const std::string& listingKey) override;
    void RecordCollected(const std::string& listingKey) override;
    std::string LookUpAreaPath(int areaIndex, int comboIndex) override;
    void InitProgress(int maximum) override;
    void StepProgress() override;
    void ShowStatus(const std::string& textCp932) override;
    void HandBack(int crawlResult) override;
    ListingWatch* watch() override { return watch_.get(); }

    // The controls, under the names the rest of the program knows them by.
    QCheckBox* chkArea = nullptr;
    QComboBox* cmbArea = nullptr;
    QListWidget* clstArea = nullptr;
    QGroupBox* grp01 = nullptr;
    QCheckBox* chkImgSave = nullptr;
    QLineEdit* txtDirPath = nullptr;
    QPushButton* btnDirPath = nullptr;
    QLabel* img01 = nullptr;
    QCheckBox* chkItem = nullptr;
    QTreeWidget* TreeView = nullptr;
    QToolButton* spbExpand = nullptr;
    QToolButton* spbCollapse = nullptr;
    QLabel* lblWord = nullptr;
    QLineEdit* txtWord = nullptr;
    QPushButton* btnAction = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnCancel = nullptr;
    QProgressBar* prgBar = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* btnUpdateArea = nullptr;
    QPushButton* btnUpdateGunre = nullptr;
    QPushButton* btnOption = nullptr;
    QPushButton* btnHistory = nullptr;

signals:
    // The application should end now (after the missing-database message, or a close after a run).
    void terminateRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void PlaceControls();
    void SetFonts();
    void SetTabOrder();
    void ConnectHandlers();
    void LoadGenreTree();
    void InitSelection();

    void EnterRunning();
    void StartCrawlJob();
    void SetRunningState(bool running);
    // Whether the run that ended tells its counts line (in the status line and the last question).
    bool ShowsCounts() const;
    void RestoreCursor();

    // Runs one catalogue refresh on this thread with the inputs disabled; refresh returns the
    // closing message (CP932), or nothing when a close request stopped it.
    using CatalogueRefresh = std::function<std::string(CatalogueDb&, const RefreshSite&, RefreshProgress&)>;
    void RunCatalogueRefresh(const CatalogueRefresh& refresh);

    // Runs one command; an error it raises is shown and the command stops there.
    void RunCommand(const std::function<void()>& command);
    void ShowError(const std::exception& error);
    void Information(const QString& text, const QString& caption);
    // A Start refusal or a failed run: an information box captioned "Error".
    void Refuse(const std::string& messageCp932);
    // The end of a run on the desktop too, when the user is in another window.
    void NotifyIfAway(const QString& caption, const QString& message);
    // failure: how the run failed (FailureText); empty when it did not.
    void SendAlert(const std::string& failure);
    void Terminate();

    std::filesystem::path programDir_;
    Prompt& prompt_;
    CatalogueDb db_;
    TaskbarProgress taskbar_;
    DesktopNotification notification_;
    SiteSettings site_;
    std::unique_ptr<AreaSelection> areas_;
    std::unique_ptr<GenreTree> genres_;

    // Held from Start until the run hands back, so that the terminal program runs no crawl or
    // refresh on the same program folder meanwhile.
    std::unique_ptr<InstanceLock> runLock_;
    // The run's file, named beside the lock so that the terminal program writes nothing over it.
    std::unique_ptr<RunOutputRecord> runOutput_;
    CrawlJob* myThread_ = nullptr;
    QPointer<CrawlJob> lastJob_;
    bool isRunning_ = false;
    int crawlResult_ = 0;
    RunOutcome runOutcome_ = RunOutcome::NothingFound; // decided at the hand-back
    // Read at the hand-back: the lines told after the outcome, and the refused run's text.
    std::vector<std::string> pageLines_;
    std::string siteRefusedText_;
    bool taskbarReady_ = false;
    bool dbFound_ = false;
    std::string ctgrIndexList_;
    std::filesystem::path csvFileName_;
    QString lastCsvFolder_; // the folder of the CSV chosen last, where the save dialog opens next
    CsvEncoding csvEncoding_ = CsvEncoding::Cp932; // the file type chosen in the save dialog
    FilterSettings filter_; // [Filter] as read at the last Start, for that run
    WriteMode mode_ = WriteMode::All; // [Options] Mode as read at the last Start
    // The run's watch: it keeps every listing read in the store and decides which get a row.
    std::unique_ptr<RunWatch> watch_;
    QString countsLine_; // the last run's counts line, for its end-of-run texts
    // Sends the last run's alert without holding up the window; joined before the window goes.
    std::thread alertThread_;
    std::atomic<bool> closing_{false};
    bool workbook_ = false;                         // the workbook type was chosen
    int saveType_ = 0; // the save dialog's type the user chose last ([Config] SaveType), where it opens
    int endState_ = esNone;
    bool cursorSaved_ = false;
    bool afterShowPosted_ = false;
    bool terminating_ = false;
    bool destroying_ = false;
    bool refreshing_ = false;       // a catalogue refresh runs; no crawl may start
    bool refreshStopAsked_ = false; // a close request came during the refresh
    std::chrono::milliseconds crawlPause_ = kFetchPause;
};

} // namespace vorn
