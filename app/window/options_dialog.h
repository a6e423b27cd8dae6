#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include <QDialog>

#include "app/core/run_options.h"
#include "app/core/saved_schedule.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vorn {

class Prompt;
class ScheduleBox;

// What the options dialog needs of the main window: its conditions as [Config] would hold them,
// and a way to put a saved search's conditions into it as if ticked by hand.
struct WindowConditions {
    std::function<SavedConditions()> current;
    std::function<void(const SavedConditions&)> apply;
};

// 取得オプション: which listings a run writes, the filters, the retries ([Options] Mode,
// [Filter], [Site] Retries of db/vrn.ini, written by OK alone), and the saved searches, which
// 保存 and 削除 write at once.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(std::filesystem::path settingsPath, Prompt& prompt, WindowConditions window,
                  QWidget* parent = nullptr);

    // OK: refuses a bad value naming its field, else writes the options and closes.
    void accept() override;
    void btnSaveClick();
    void btnLoadClick();
    void btnDeleteClick();
    void btnNotifyClick();

    QRadioButton* rdoAll = nullptr;
    QRadioButton* rdoNewOnly = nullptr;
    QRadioButton* rdoChangesOnly = nullptr;
    QPlainTextEdit* txtExclude = nullptr;
    QLineEdit* txtMinPrice = nullptr;
    QLineEdit* txtMaxPrice = nullptr;
    QCheckBox* chkOpenOnly = nullptr;
    QPlainTextEdit* txtPosters = nullptr;
    QSpinBox* spnRetries = nullptr;
    QListWidget* lstSaved = nullptr;
    QLineEdit* txtSavedName = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnLoad = nullptr;
    QPushButton* btnDelete = nullptr;
    ScheduleBox* schedule = nullptr; // the saved search's output and automatic run
    QPushButton* btnNotify = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    struct Options {
        WriteMode mode = WriteMode::All;
        FilterSettings filter;
    };

    void CreateControls();
    void ShowOptions(WriteMode mode, const FilterSettings& filter);
    // The controls' options; nothing after telling the user which field is wrong.
    std::optional<Options> ReadOptions();
    void Refuse(const QString& text, QWidget* field);
    void CannotWrite();
    void ListSaved(const QString& select = {});
    // The saved search's output and automatic run, and the next run of all of them.
    void ShowSchedule(const QString& name);
    // Tells what putting the units in place did.
    void TellSchedule(const ScheduleReport& report);

    std::filesystem::path settingsPath_;
    Prompt& prompt_;
    WindowConditions window_;
};

} // namespace vorn
