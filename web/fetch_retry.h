#pragma once

#include <chrono>
#include <functional>

#include "web/fetch_page.h"

namespace vorn {

// A page or photograph the site may serve a little later (answered 429 or 503, or not answered at
// all) can be asked for again, when the user allows it: off by default, at most this often.
inline constexpr int kMostRetries = 5;
// No Retry-After is waited for longer than this.
inline constexpr std::chrono::seconds kLongestRetryDelay{120};

struct RetryPolicy {
    int retries = 0;                     // tries after the first, 0..kMostRetries
    std::function<void()> pause;         // the pause the site is owed after every fetch
    std::function<bool()> stopRequested; // cuts the waiting short
};

bool WorthRetrying(const FetchResult& result);
// The wait before retry number `retry` (1 for the first): what the answer's Retry-After asked
// for, up to kLongestRetryDelay, or else 1, 2, 4 ... seconds.
std::chrono::milliseconds RetryDelay(const FetchResult& result, int retry);

// Runs fetch; while its answer is worth retrying and tries are left, owes the site its pause,
// waits the delay and runs it again, each try a fetch of its own. The pause after the last try is
// the caller's, as after any fetch. Hands back the last try's result.
FetchResult FetchWithRetries(const RetryPolicy& policy, const std::function<FetchResult()>& fetch);
// The same for a service with its own rule of which answers may be asked for again.
FetchResult FetchWithRetries(const RetryPolicy& policy, const std::function<FetchResult()>& fetch,
                             const std::function<bool(const FetchResult&)>& worthRetrying);

} // namespace vorn
