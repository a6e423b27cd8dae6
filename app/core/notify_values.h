#pragma once

#include <optional>
#include <string>

#include "app/core/profile_file.h"

namespace vorn {

// Section [Notify] of db/vrn.ini as written, CP932 without surrounding blanks: what the terminal
// program reads and the window's 通知設定 shows and writes. The secrets live in files of their
// own (SmtpPasswordFile, LineTokenFile), never in the section.
struct NotifyValues {
    std::string webhook;
    std::string webhookFormat; // slack, discord or json (the default)
    std::string mailTo;        // addresses separated by ","
    std::string mailFrom;
    std::string smtpUrl;
    std::string smtpUser;
    std::string smtpPasswordFile;
    std::string lineTokenFile;
    std::string lineTo;  // a user, group or room ID; empty: broadcast
    std::string lineApi; // empty: https://api.line.me
    std::string when;    // changes (the default), rows, always or bargains
    std::string bargain; // a per cent of the going price, 1 to 99
    std::string onFailure; // "no": a run that failed sends nothing
};

NotifyValues ReadNotifyValues(const ProfileFile& file);
// Writes every key but LineApi and Bargain, which only a hand edit sets. False when a key cannot be written.
bool WriteNotifyValues(ProfileFile& file, const NotifyValues& values);

// The value a refusal is about, so that the window can point at its field.
enum class NotifyField {
    Webhook,
    WebhookFormat,
    MailTo,
    MailFrom,
    SmtpUrl,
    SmtpUser,
    SmtpPassword,
    LineToken,
    LineTo,
    LineApi,
    When
};

struct NotifyRefusal {
    NotifyField field;
    std::string text; // ASCII but for a value quoted, naming the key: what the terminal shows
};

// The checks of the values themselves, the same for the file and the dialog. passwordGiven and
// tokenGiven: a file named for the secret, or, in the dialog, one typed.
std::optional<NotifyRefusal> WebhookRefusal(const NotifyValues& values);
std::optional<NotifyRefusal> MailRefusal(const NotifyValues& values, bool passwordGiven);
std::optional<NotifyRefusal> LineRefusal(const NotifyValues& values, bool tokenGiven);
// When= and Bargain=, which every channel obeys.
std::optional<NotifyRefusal> WhenRefusal(const NotifyValues& values);
// Bargain= as a number; nothing when it is missing or not one from 1 to 99.
std::optional<int> BargainPercent(const NotifyValues& values);
// A channel access token as LINE issues it: one word of printable ASCII. source names where it
// came from in the refusal ("LineTokenFile PATH").
std::optional<NotifyRefusal> LineTokenRefusal(const std::string& token, const std::string& source);
// All of the above for the channels the values configure, in the dialog's order; the first.
std::optional<NotifyRefusal> NotifyValuesRefusal(const NotifyValues& values, bool passwordGiven, bool tokenGiven);

// Whether a channel is set up at all: the values that switch it on.
bool WebhookWanted(const NotifyValues& values);
bool MailWanted(const NotifyValues& values);
bool LineWanted(const NotifyValues& values, bool tokenGiven);

} // namespace vorn
