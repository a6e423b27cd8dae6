#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/core/notify_values.h"
#include "app/core/profile_file.h"
#include "app/core/saved_conditions.h"
#include "watch/run_alert.h"
#include "watch/run_watch.h"

namespace vorn {

// Section [Notify] of db/vrn.ini: Webhook, WebhookFormat, MailTo, MailFrom, SmtpUrl, SmtpUser,
// SmtpPasswordFile, LineTokenFile, LineTo, LineApi, When, Bargain, OnFailure. A value that is
// refused (a webhook that is not https, an unknown format, When or OnFailure, an SMTP URL of
// another scheme, a LINE ID of another form, a password or token file others may read) leaves its
// channel configured with the reason, which names the key or the file, in place of sending. The
// password and token files, like [Site] CaFile, are relative paths taken from the program folder.
NotifySettings ReadNotifySettings(const ProfileFile& file, const std::filesystem::path& programDir);

// Secrets as typed in the window, used in place of their files.
struct TypedSecrets {
    std::optional<std::string> smtpPassword;
    std::optional<std::string> lineToken;
};
// The same from values not (yet) in the file.
NotifySettings NotifySettingsOf(const NotifyValues& values, const std::filesystem::path& programDir,
                                const TypedSecrets& typed = {});

// The messages trust what the fetcher trusts and are retried by its rule.
AlertTransport AlertTransportFor(const SiteSettings& site, const std::filesystem::path& programDir);

// The alert of a run that ended, as both programs send it; it names the saved search it ran
// (UTF-8), or without one the run's conditions.
// A reported listing (新着, 再掲載, 値下げ) at bargainPercent of its search's median or less is
// marked a bargain; 0 marks none. A failed run's summary begins with failure (FailureText).
RunAlert AlertOf(const RunWatch& watch, int bargainPercent = 0, const std::string& savedName = {},
                 const std::string& failure = {});

} // namespace vorn
