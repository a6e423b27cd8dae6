#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/core/instance_lock.h"

namespace vorn {

// The lock a crawl or a catalogue refresh holds while it runs: the window and the terminal
// program share the program folder's scratch file and seen-listings table, which two runs at
// once would spoil. Either program may be open at any time; only their runs take turns.
std::filesystem::path RunLockFile(const std::filesystem::path& programDir); // db/run.lock

struct RunLockAttempt {
    std::unique_ptr<InstanceLock> lock; // held until it is destroyed
    bool busy = false;                  // another run or refresh holds it
};

// Never waits. A lock file that cannot be made at all (a db/ folder that cannot be written) is not
// a busy lock: the run goes ahead without it and fails on its scratch file with its own message.
RunLockAttempt TryRunLock(const std::filesystem::path& programDir);
// Tries again every short while until the lock is free, patience has passed or giveUp says so.
RunLockAttempt WaitForRunLock(const std::filesystem::path& programDir, std::chrono::milliseconds patience,
                              const std::function<bool()>& giveUp = {});

} // namespace vorn
