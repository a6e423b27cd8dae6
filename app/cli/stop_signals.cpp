#include "app/cli/stop_signals.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace vorn::cli {

namespace {

constexpr std::array kStopSignals{SIGINT, SIGTERM};

std::atomic<int> gWriteEnd{-1};
int gReadEnd = -1;
std::array<struct sigaction, kStopSignals.size()> gPrevious{};

extern "C" void OnStopSignal(int signal) {
    const int savedErrno = errno;
    const int fd = gWriteEnd.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot create the signal pipe");
    }
    gReadEnd = fds[0];
    gWriteEnd.store(fds[1]);
    notifier_ = std::make_unique<QSocketNotifier>(gReadEnd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Drain(); });

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        ::sigaction(kStopSignals[i], &action, &gPrevious[i]);
    }
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        ::sigaction(kStopSignals[i], &gPrevious[i], nullptr);
    }
    notifier_.reset();
    ::close(gWriteEnd.exchange(-1));
    ::close(gReadEnd);
    gReadEnd = -1;
}

void StopSignals::Drain() {
    unsigned char signal = 0;
    while (::read(gReadEnd, &signal, 1) == 1) {
        onSignal_(signal);
    }
}

} // namespace vorn::cli
