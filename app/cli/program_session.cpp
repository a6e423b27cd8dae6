#include "app/cli/program_session.h"

#include <csignal>
#include <iostream>
#include <system_error>

#include "app/cli/exit_codes.h"
#include "app/cli/terminal_messages.h"
#include "app/core/messages.h"
#include "app/core/program_dir.h"

namespace vorn::cli {

std::unique_ptr<ProgramSession> ProgramSession::Open() {
    std::filesystem::path programDir = ProgramDir();
    std::error_code error;
    if (!std::filesystem::is_regular_file(DatabaseFilePath(programDir), error)) {
        Refuse(msg::DatabaseMissing(), kExitRefused);
        return nullptr;
    }
    // A reader that goes away (a closed pipe) must not kill a command before it cleans up.
    std::signal(SIGPIPE, SIG_IGN);
    return std::unique_ptr<ProgramSession>(new ProgramSession(std::move(programDir)));
}

ProgramSession::ProgramSession(std::filesystem::path programDir)
    : programDir_(std::move(programDir)), settings_(SettingsFilePath(programDir_)) {
    db_.Configure(DatabaseFilePath(programDir_));
}

bool ProgramSession::TakeRunLock(int waitMinutes) {
    RunLockAttempt attempt = TryRunLock(programDir_);
    if (attempt.busy && waitMinutes > 0) {
        std::cerr << "vorn-search-cli: another crawl or refresh is running; waiting up to " << waitMinutes
                  << (waitMinutes == 1 ? " minute" : " minutes") << " for it to end\n";
        attempt = WaitForRunLock(programDir_, std::chrono::minutes(waitMinutes));
    }
    if (attempt.busy) {
        Refuse(msg::OtherRunActive(), kExitRefused);
        return false;
    }
    runLock_ = std::move(attempt.lock);
    return true;
}

SiteSettings ProgramSession::UseSite() const {
    const SiteSettings site = ReadSiteSettings(settings_);
    ApplySiteSettings(site, programDir_);
    return site;
}

} // namespace vorn::cli
