#pragma once

#include <QWidget>

#include "app/core/run_options.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace vorn {

class Prompt;

// A saved search's own output file and its daily automatic run, in the options dialog: what
// [Saved:NAME] keeps as Output, Encoding and Schedule.
class ScheduleBox : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleBox(Prompt& prompt, QWidget* parent = nullptr);

    // Fills the controls from a saved search; all empty for a new one.
    void ShowSearch(const SavedSearch& search);
    // Why the output field cannot be saved as it is; empty when it can.
    QString Refusal() const;
    // Puts the controls' output and time into the search.
    void ReadInto(SavedSearch& search) const;
    // The next automatic run and the failed last ones (CP932), or nothing.
    void ShowStatus(const std::string& textCp932);

    void btnOutputClick();

    QLineEdit* txtOutput = nullptr;
    QPushButton* btnOutput = nullptr;
    QCheckBox* chkSchedule = nullptr;
    QTimeEdit* timSchedule = nullptr;
    QLabel* lblNextRun = nullptr;

private:
    Prompt& prompt_;
    bool outputUtf8_ = false;
};

} // namespace vorn
