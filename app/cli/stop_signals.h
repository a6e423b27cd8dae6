#pragma once

#include <atomic>
#include <functional>

namespace vorn::cli {

// Turns SIGINT and SIGTERM into a stop. The handler sets stopFlag at once, so a run sees the
// request at its next stop point, and notes the signal; Poll() then runs onSignal for it on the
// caller's thread, outside the handler, where it may print. The earlier handlers come back with
// the object.
class StopSignals {
public:
    StopSignals(std::atomic<bool>* stopFlag, std::function<void(int signal)> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Runs onSignal for the last signal received since the last call, if any.
    void Poll() const;

private:
    std::function<void(int)> onSignal_;
};

} // namespace vorn::cli
