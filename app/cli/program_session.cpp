#include "app/cli/program_session.h"

#include <csignal>
#include <system_error>

#include "app/cli/exit_codes.h"
#include "app/cli/terminal_messages.h"
#include "app/core/messages.h"
#include "app/core/program_dir.h"

namespace vorn::cli {

std::unique_ptr<ProgramSession> ProgramSession::Open() {
    auto lock = InstanceLock::Acquire();
    if (!lock) {
        Fail("the program is already running", kExitRefused);
        return nullptr;
    }
    std::filesystem::path programDir = ProgramDir();
    std::error_code error;
    if (!std::filesystem::is_regular_file(DatabaseFilePath(programDir), error)) {
        Refuse(msg::DatabaseMissing(), kExitRefused);
        return nullptr;
    }
    // A reader that goes away (a closed pipe) must not kill a command before it cleans up.
    std::signal(SIGPIPE, SIG_IGN);
    return std::unique_ptr<ProgramSession>(new ProgramSession(std::move(lock), std::move(programDir)));
}

ProgramSession::ProgramSession(std::unique_ptr<InstanceLock> lock, std::filesystem::path programDir)
    : lock_(std::move(lock)), programDir_(std::move(programDir)), settings_(SettingsFilePath(programDir_)) {
    db_.Configure(DatabaseFilePath(programDir_));
}

SiteSettings ProgramSession::UseSite() const {
    const SiteSettings site = ReadSiteSettings(settings_);
    ApplySiteSettings(site, programDir_);
    return site;
}

} // namespace vorn::cli
