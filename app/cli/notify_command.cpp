#include "app/cli/notify_command.h"

#include <iostream>

#include "app/cli/commands.h"
#include "app/cli/exit_codes.h"
#include "app/cli/program_session.h"
#include "app/cli/terminal_messages.h"
#include "app/core/notify_settings.h"

namespace vorn::cli {

int RunNotifyTestCommand(const std::vector<std::string>& arguments) {
    if (!arguments.empty()) {
        std::cerr << "vorn-search-cli: notify-test takes no arguments\n\n";
        PrintUsage(std::cerr);
        return kExitRefused;
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    const NotifySettings settings = ReadNotifySettings(session->settings(), session->programDir());
    if (!settings.anyConfigured()) {
        return Fail("no alert is configured: set Webhook=, MailTo= or LineTokenFile= in section [Notify] of db/vrn.ini",
                    kExitRefused);
    }
    const AlertTransport transport = AlertTransportFor(ReadSiteSettings(session->settings()), session->programDir());
    int code = 0;
    for (const ChannelResult& result : SendTestAlert(settings, transport, "vorn-search-cli")) {
        std::cout << DescribeResult(result) << '\n';
        const bool refused = result.channel == "webhook" ? !settings.webhookRefused.empty()
                             : result.channel == "LINE"  ? !settings.lineRefused.empty()
                                                         : !settings.mailRefused.empty();
        if (refused) {
            code = kExitRefused;
        } else if (!result.ok && code == 0) {
            code = kExitSiteUnreachable;
        }
    }
    return code;
}

void PrintAlertFailures(const std::vector<ChannelResult>& results) {
    for (const ChannelResult& result : results) {
        if (!result.ok) {
            std::cerr << "vorn-search-cli: alert " << DescribeResult(result) << '\n';
        }
    }
}

} // namespace vorn::cli
