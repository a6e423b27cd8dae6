#pragma once

#include <functional>
#include <string>
#include <vector>

#include <curl/curl.h>

#include "watch/run_alert.h"
#include "web/fetch_page.h"

// What the alerts' senders share: one message sent through libcurl under the fetcher's retry
// rule, and a service's answer as it may be shown.
namespace vorn::alert_wire {

struct Exchange {
    std::string received; // the service's body, or the mail server's last reply line
    std::string upload;   // the mail, as libcurl reads it
    std::size_t uploaded = 0;
};

// One message: a fresh handle a try, the common options (trust, time-outs, no proxy, a stop that
// ends it), then the channel's own. worthRetrying: the channel's rule, the fetcher's when empty.
FetchResult Transfer(const AlertTransport& transport, Exchange& exchange, const std::string& upload,
                     const std::function<void(CURL*)>& channelOptions,
                     const std::function<bool(const FetchResult&)>& worthRetrying = {});

// One line of what the service said, each secret replaced by "…", cut to a readable length.
std::string Shown(std::string text, const std::vector<std::string>& secrets);

// LINE's sender (line_send.cpp): text as one message, pushed or broadcast.
ChannelResult SendLine(const NotifySettings& settings, const std::string& text, const AlertTransport& transport);

} // namespace vorn::alert_wire
