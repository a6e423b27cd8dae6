#include "app/window/close_on_terminate.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

namespace vorn {

namespace {

// The handler may only write to a pipe; the event loop reads it and closes the window.
int signalPipe[2] = {-1, -1};
constexpr int kDialogPollMs = 250;
bool waitingForDialog = false;

void OnTerminate(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void CloseWhenNoDialogIsOpen(QWidget* window) {
    // As the close button: not while a dialog holds the window, but once the user has answered it.
    if (QApplication::activeModalWidget() != nullptr) {
        if (!waitingForDialog) {
            waitingForDialog = true;
            QTimer::singleShot(kDialogPollMs, window, [window] {
                waitingForDialog = false;
                CloseWhenNoDialogIsOpen(window);
            });
        }
        return;
    }
    window->close();
}

} // namespace

CloseOnTerminate::CloseOnTerminate() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // SIGTERM then ends the program at once, as it would without this
    }
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

CloseOnTerminate::~CloseOnTerminate() {
    std::signal(SIGTERM, SIG_DFL);
    for (int& fd : signalPipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void CloseOnTerminate::Watch(QWidget& window) {
    if (signalPipe[0] < 0) {
        return;
    }
    // Queued behind the window's after-show event, posted when it was shown: a SIGTERM that came
    // during the start is handled after the settings were read, never saved over them unread.
    QMetaObject::invokeMethod(
        &window,
        [window = QPointer<QWidget>(&window)] {
            auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
            QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
                char bytes[16];
                while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
                }
                CloseWhenNoDialogIsOpen(window);
            });
        },
        Qt::QueuedConnection);
}

} // namespace vorn
