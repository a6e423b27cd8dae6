#include "app/cli/stop_signals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace vorn::cli {

namespace {

constexpr std::array kStopSignals{SIGINT, SIGTERM};

// Lock-free atomics only: the handler may run between any two instructions of the program.
std::atomic<int> gWriteEnd{-1};
std::atomic<std::atomic<bool>*> gStopFlag{nullptr};
std::atomic<bool> gPending{false}; // a byte waits in the pipe: Poll() need not ask the kernel otherwise
int gReadEnd = -1;
std::array<struct sigaction, kStopSignals.size()> gPrevious{};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
    const int savedErrno = errno;
    if (std::atomic<bool>* flag = gStopFlag.load()) {
        flag->store(true);
    }
    const int fd = gWriteEnd.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    gPending.store(true);
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(std::atomic<bool>* stopFlag, std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot create the signal pipe");
    }
    gReadEnd = fds[0];
    gWriteEnd.store(fds[1]);
    gStopFlag.store(stopFlag);

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
    gStopFlag.store(nullptr);
    ::close(gWriteEnd.exchange(-1));
    ::close(gReadEnd);
    gReadEnd = -1;
}

void StopSignals::Poll() const {
    if (!gPending.exchange(false)) {
        return;
    }
    unsigned char signal = 0;
    while (::read(gReadEnd, &signal, 1) == 1) {
        if (onSignal_) {
            onSignal_(signal);
        }
    }
}

} // namespace vorn::cli
