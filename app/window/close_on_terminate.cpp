#include "app/window/close_on_terminate.h"

#include <cerrno>
#include <csignal>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

namespace vorn {

namespace {

// The handler may only write to a pipe; the event loop reads it and tells the window.
int signalPipe[2] = {-1, -1};

void OnTerminate(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
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

void CloseOnTerminate::Watch(QWidget& window, std::function<void()> onTerminate) {
    if (signalPipe[0] < 0) {
        return;
    }
    // Queued behind the window's after-show event, posted when it was shown: a SIGTERM that came
    // during the start is handled after the settings were read, never saved over them unread.
    QMetaObject::invokeMethod(
        &window,
        [window = QPointer<QWidget>(&window), onTerminate = std::move(onTerminate)] {
            auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
            QObject::connect(notifier, &QSocketNotifier::activated, window, [onTerminate] {
                char bytes[16];
                while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
                }
                onTerminate();
            });
        },
        Qt::QueuedConnection);
}

} // namespace vorn
