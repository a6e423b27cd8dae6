#include "web/fetch_retry.h"

#include <algorithm>
#include <thread>

namespace vorn {

namespace {

constexpr std::chrono::milliseconds kStopPollInterval{100};

// False when a stop was asked for before the time was up.
bool WaitUnlessStopped(std::chrono::milliseconds delay, const std::function<bool()>& stopRequested) {
    const auto end = std::chrono::steady_clock::now() + delay;
    for (auto now = std::chrono::steady_clock::now(); now < end; now = std::chrono::steady_clock::now()) {
        if (stopRequested && stopRequested()) {
            return false;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, kStopPollInterval));
    }
    return !(stopRequested && stopRequested());
}

} // namespace

bool WorthRetrying(const FetchResult& result) {
    if (result.httpStatus == 429 || result.httpStatus == 503) {
        return true;
    }
    return result.outcome == FetchResult::Outcome::Transport && result.httpStatus == 0;
}

std::chrono::milliseconds RetryDelay(const FetchResult& result, int retry) {
    if (result.retryAfterSeconds > 0) {
        return std::min<std::chrono::milliseconds>(std::chrono::seconds(result.retryAfterSeconds), kLongestRetryDelay);
    }
    const int doublings = std::clamp(retry - 1, 0, kMostRetries);
    return std::min<std::chrono::milliseconds>(std::chrono::seconds(1LL << doublings), kLongestRetryDelay);
}

FetchResult FetchWithRetries(const RetryPolicy& policy, const std::function<FetchResult()>& fetch) {
    return FetchWithRetries(policy, fetch, &WorthRetrying);
}

FetchResult FetchWithRetries(const RetryPolicy& policy, const std::function<FetchResult()>& fetch,
                             const std::function<bool(const FetchResult&)>& worthRetrying) {
    FetchResult result = fetch();
    const int retries = std::clamp(policy.retries, 0, kMostRetries);
    for (int retry = 1; retry <= retries && worthRetrying(result); ++retry) {
        if (policy.pause) {
            policy.pause();
        }
        if (!WaitUnlessStopped(RetryDelay(result, retry), policy.stopRequested)) {
            break;
        }
        result = fetch();
    }
    return result;
}

} // namespace vorn
