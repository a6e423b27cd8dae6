#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "web/fetch_page.h"

namespace vorn::fetch {

// Takes the body as it arrives, with the status of the answer it belongs to; false stops the
// transfer (the sink could not store the bytes, or does not want them).
using BodySink = std::function<bool(long httpStatus, std::string_view data)>;

struct TransferOutcome {
    bool complete = false; // the whole body arrived and the sink took all of it
    bool sinkStopped = false;
    long httpStatus = 0; // of the last answer; 0 when none arrived
    long retryAfterSeconds = 0; // the last answer's Retry-After (a date made a delay); 0 when none
    std::string error;   // empty when complete
};

// Once per process, before the first handle is made.
void InitialiseLibcurlOnce();

// One blocking GET, on a fresh connection unless the thread has a FetchSession (fetch_session.h):
// no proxy, no cache, http and https only (redirects too), TLS verified, with the time-outs and
// the size limit of the settings. headerLines replace libcurl's own optional headers, so the
// request carries only Host, User-Agent and these.
TransferOutcome RunTransfer(const std::string& url, const std::string& userAgent,
                            const std::vector<std::string>& headerLines, const FetchSettings& settings,
                            const BodySink& sink);

} // namespace vorn::fetch
