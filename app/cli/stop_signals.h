#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace vorn::cli {

// Turns SIGINT and SIGTERM into a call on the thread that runs the event loop: the handler only
// writes a byte to a pipe, which the loop reads. The earlier handlers come back with the object.
class StopSignals {
public:
    explicit StopSignals(std::function<void(int signal)> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void Drain();

    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vorn::cli
