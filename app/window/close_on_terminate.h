#pragma once

class QWidget;

namespace vorn {

// SIGTERM (a session ending, systemd, kill) closes the window as its close button does, so that
// the settings are saved as on any other close and a run is not cut off without the question.
// From the moment the object exists a SIGTERM no longer ends the program; it waits until the
// window is up and has read its settings, and is then handled. One object for the whole program;
// the default action comes back when it goes.
class CloseOnTerminate {
public:
    CloseOnTerminate();
    ~CloseOnTerminate();

    // Call once the window is shown: its after-show step runs before any SIGTERM is handled.
    void Watch(QWidget& window);

    CloseOnTerminate(const CloseOnTerminate&) = delete;
    CloseOnTerminate& operator=(const CloseOnTerminate&) = delete;
};

} // namespace vorn
