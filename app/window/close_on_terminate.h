#pragma once

#include <functional>

class QWidget;

namespace vorn {

// SIGTERM (a session ending, systemd, kill) is handed to the window's event loop, so that the
// program ends as it chooses (a session that ends answers no question). From the moment the object
// exists a SIGTERM no longer ends the program; it waits until the window is up and has read its
// settings, and is then handled. One object for the whole program; the default action comes back
// when it goes.
class CloseOnTerminate {
public:
    CloseOnTerminate();
    ~CloseOnTerminate();

    // Call once the window is shown: its after-show step runs before any SIGTERM is handled, and
    // then onTerminate on the window's thread for each SIGTERM, also while a dialog is open.
    void Watch(QWidget& window, std::function<void()> onTerminate);

    CloseOnTerminate(const CloseOnTerminate&) = delete;
    CloseOnTerminate& operator=(const CloseOnTerminate&) = delete;
};

} // namespace vorn
