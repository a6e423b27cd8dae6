#pragma once

#include <QString>

namespace vorn {

// The taskbar button's progress, through the desktop's launcher entry on the session bus
// (shown by docks and task managers that match the application by its .desktop file).
class TaskbarProgress {
public:
    // The states the window uses; the numbers are the flags of the old taskbar interface.
    enum class State { None = 0, Indeterminate = 1, Normal = 2, Error = 4, Paused = 8 };

    explicit TaskbarProgress(QString appUri = QStringLiteral("application://vorn-search.desktop"));

    // True when the session bus answered; nothing is sent otherwise.
    bool Init();
    bool ready() const { return ready_; }

    void SetState(State state);
    void SetValue(qint64 completed, qint64 total);

private:
    void Send(bool visible, double progress);

    QString appUri_;
    bool ready_ = false;
    State state_ = State::None;
    double progress_ = 0.0;
};

} // namespace vorn
