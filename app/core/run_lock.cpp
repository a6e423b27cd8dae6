#include "app/core/run_lock.h"

#include <thread>

namespace vorn {

namespace {

constexpr std::chrono::milliseconds kRetryInterval{200};

} // namespace

std::filesystem::path RunLockFile(const std::filesystem::path& programDir) { return programDir / "db" / "run.lock"; }

RunLockAttempt TryRunLock(const std::filesystem::path& programDir) {
    RunLockAttempt attempt;
    attempt.lock = InstanceLock::AcquireFile(RunLockFile(programDir), &attempt.busy);
    return attempt;
}

RunLockAttempt WaitForRunLock(const std::filesystem::path& programDir, std::chrono::milliseconds patience,
                              const std::function<bool()>& giveUp) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    RunLockAttempt attempt = TryRunLock(programDir);
    while (attempt.busy && std::chrono::steady_clock::now() < deadline && !(giveUp && giveUp())) {
        std::this_thread::sleep_for(kRetryInterval);
        attempt = TryRunLock(programDir);
    }
    return attempt;
}

} // namespace vorn
