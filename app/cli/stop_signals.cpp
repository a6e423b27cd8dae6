#include "app/cli/stop_signals.h"

#include <array>
#include <csignal>
#include <utility>

namespace vorn::cli {

namespace {

constexpr std::array kStopSignals{SIGINT, SIGTERM};

// Lock-free atomics only: the handler may run between any two instructions of the program.
std::atomic<std::atomic<bool>*> gStopFlag{nullptr};
std::atomic<int> gPendingSignal{0}; // 0: none since the last Poll()
std::array<struct sigaction, kStopSignals.size()> gPrevious{};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
              std::atomic<std::atomic<bool>*>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
    if (std::atomic<bool>* flag = gStopFlag.load()) {
        flag->store(true);
    }
    gPendingSignal.store(signal);
}

} // namespace

StopSignals::StopSignals(std::atomic<bool>* stopFlag, std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    gPendingSignal.store(0);
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
}

void StopSignals::Poll() const {
    const int signal = gPendingSignal.exchange(0);
    if (signal != 0 && onSignal_) {
        onSignal_(signal);
    }
}

} // namespace vorn::cli
