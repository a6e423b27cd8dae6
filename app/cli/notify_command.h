#pragma once

#include <string>
#include <vector>

#include "watch/run_alert.h"

namespace vorn::cli {

// vorn-search-cli notify-test: a test message on every channel of section [Notify], a line per
// channel with what its service answered. Exit 0 when every message was taken, 3 when one was
// not (no answer, a refusal, a TLS error), 5 when no channel is configured or a setting is refused.
int RunNotifyTestCommand(const std::vector<std::string>& arguments);

// After a crawl: a line on standard error for each message that did not go out. The run's exit
// code stays as it was.
void PrintAlertFailures(const std::vector<ChannelResult>& results);
// After a crawl whose messages a signal cut short: a line on standard error for each channel.
void PrintAlertsStopped(const std::vector<ChannelResult>& results);

} // namespace vorn::cli
