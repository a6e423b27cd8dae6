#include "app/core/notify_values.h"

#include <sstream>
#include <utility>

#include "web/text.h"

namespace vorn {

namespace {

constexpr const char* kNotify = "Notify";

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool StartsWith(const std::string& text, const char* prefix) { return AsciiLower(text).rfind(prefix, 0) == 0; }

// An address as it goes between angle brackets: something@somewhere, nothing that would end it.
bool PlainAddress(const std::string& address) {
    const std::size_t at = address.find('@');
    return at != std::string::npos && at > 0 && at + 1 < address.size() &&
           address.find_first_of(" <>,;\"()[]\\") == std::string::npos;
}

// U (a user), C (a group) or R (a room), then 32 hexadecimal digits.
bool LineId(const std::string& id) {
    return id.size() == 33 && (id[0] == 'U' || id[0] == 'C' || id[0] == 'R') &&
           id.find_first_not_of("0123456789abcdef", 1) == std::string::npos;
}

NotifyRefusal Refused(NotifyField field, std::string text) { return {field, "[Notify] " + std::move(text)}; }

} // namespace

NotifyValues ReadNotifyValues(const ProfileFile& file) {
    const auto value = [&file](const char* key) { return Trim(file.ReadString(kNotify, key)); };
    return {value("Webhook"),  value("WebhookFormat"),    value("MailTo"),        value("MailFrom"), value("SmtpUrl"),
            value("SmtpUser"), value("SmtpPasswordFile"), value("LineTokenFile"), value("LineTo"),   value("LineApi"),
            value("When"),     value("Bargain"),          value("OnFailure")};
}

bool WriteNotifyValues(ProfileFile& file, const NotifyValues& values) {
    const std::pair<const char*, const std::string*> keys[] = {
        {"Webhook", &values.webhook},
        {"WebhookFormat", &values.webhookFormat},
        {"MailTo", &values.mailTo},
        {"MailFrom", &values.mailFrom},
        {"SmtpUrl", &values.smtpUrl},
        {"SmtpUser", &values.smtpUser},
        {"SmtpPasswordFile", &values.smtpPasswordFile},
        {"LineTokenFile", &values.lineTokenFile},
        {"LineTo", &values.lineTo},
        {"When", &values.when},
        {"OnFailure", &values.onFailure},
    };
    for (const auto& [key, value] : keys) {
        if (!file.WriteString(kNotify, key, *value)) {
            return false;
        }
    }
    return true;
}

bool WebhookWanted(const NotifyValues& values) { return !values.webhook.empty(); }

bool MailWanted(const NotifyValues& values) {
    return !values.mailTo.empty() || !values.mailFrom.empty() || !values.smtpUrl.empty();
}

bool LineWanted(const NotifyValues& values, bool tokenGiven) { return tokenGiven || !values.lineTo.empty(); }

std::optional<NotifyRefusal> WebhookRefusal(const NotifyValues& values) {
    const std::string format = AsciiLower(values.webhookFormat);
    if (!StartsWith(values.webhook, "https://") || values.webhook.size() <= 8) {
        // The URL itself is not shown: its path is the webhook's key.
        return Refused(NotifyField::Webhook, "Webhook= is not an https:// URL");
    }
    if (format != "slack" && format != "discord" && format != "json" && !format.empty()) {
        return Refused(NotifyField::WebhookFormat, "WebhookFormat=" + format + " is not slack, discord or json");
    }
    return std::nullopt;
}

std::optional<NotifyRefusal> MailRefusal(const NotifyValues& values, bool passwordGiven) {
    std::istringstream addresses(values.mailTo);
    bool anyAddress = false;
    for (std::string address; std::getline(addresses, address, ',');) {
        address = Trim(address);
        if (!address.empty() && !PlainAddress(address)) {
            return Refused(NotifyField::MailTo, "MailTo= holds " + address + ", which is not an address");
        }
        anyAddress = anyAddress || !address.empty();
    }
    if (!anyAddress) {
        return Refused(NotifyField::MailTo, "MailTo= is missing");
    }
    if (!PlainAddress(values.mailFrom)) {
        return Refused(NotifyField::MailFrom, "MailFrom= is missing or not an address");
    }
    if (!StartsWith(values.smtpUrl, "smtps://") && !StartsWith(values.smtpUrl, "smtp://")) {
        // Not shown: an SMTP URL may carry a user and password.
        return Refused(NotifyField::SmtpUrl, "SmtpUrl= is not an smtps:// or smtp:// URL");
    }
    if (values.smtpUser.empty() && passwordGiven) {
        return Refused(NotifyField::SmtpUser, "SmtpUser= is missing beside SmtpPasswordFile=");
    }
    if (!values.smtpUser.empty() && !passwordGiven) {
        return Refused(NotifyField::SmtpPassword, "SmtpPasswordFile= is missing beside SmtpUser=");
    }
    return std::nullopt;
}

std::optional<NotifyRefusal> LineRefusal(const NotifyValues& values, bool tokenGiven) {
    if (!tokenGiven) {
        return Refused(NotifyField::LineToken, "LineTokenFile= is missing beside LineTo=");
    }
    if (!values.lineTo.empty() && !LineId(values.lineTo)) {
        return Refused(NotifyField::LineTo, "LineTo=" + values.lineTo +
                                                " is not a LINE user, group or room ID (U, C or R and 32 "
                                                "hexadecimal digits)");
    }
    if (!values.lineApi.empty() && (!StartsWith(values.lineApi, "https://") || values.lineApi.size() <= 8)) {
        return Refused(NotifyField::LineApi, "LineApi= is not an https:// URL");
    }
    return std::nullopt;
}

std::optional<int> BargainPercent(const NotifyValues& values) {
    const std::string& bargain = values.bargain;
    if (bargain.empty() || bargain.size() > 2 || bargain.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(bargain) < 1) {
        return std::nullopt;
    }
    return std::stoi(bargain);
}

std::optional<NotifyRefusal> WhenRefusal(const NotifyValues& values) {
    const std::string when = AsciiLower(values.when);
    if (!when.empty() && when != "changes" && when != "rows" && when != "always" && when != "bargains") {
        return Refused(NotifyField::When, "When=" + when + " is not changes, rows, always or bargains");
    }
    if (when == "bargains" && values.bargain.empty()) {
        return Refused(NotifyField::When, "When=bargains needs Bargain= (a per cent of the going price, 1 to 99)");
    }
    if (!values.bargain.empty() && !BargainPercent(values)) {
        return Refused(NotifyField::When, "Bargain=" + values.bargain + " is not a whole number from 1 to 99");
    }
    return std::nullopt;
}

std::optional<NotifyRefusal> LineTokenRefusal(const std::string& token, const std::string& source) {
    if (token.empty()) {
        return Refused(NotifyField::LineToken, source + " holds no channel access token");
    }
    for (const char c : token) {
        if (c <= ' ' || c > '~') {
            return Refused(NotifyField::LineToken, source + " holds a character no channel access token has");
        }
    }
    return std::nullopt;
}

std::optional<NotifyRefusal> NotifyValuesRefusal(const NotifyValues& values, bool passwordGiven, bool tokenGiven) {
    std::optional<NotifyRefusal> refusal;
    if (LineWanted(values, tokenGiven)) {
        refusal = LineRefusal(values, tokenGiven);
    }
    if (!refusal && WebhookWanted(values)) {
        refusal = WebhookRefusal(values);
    }
    if (!refusal && MailWanted(values)) {
        refusal = MailRefusal(values, passwordGiven);
    }
    return refusal ? refusal : WhenRefusal(values);
}

} // namespace vorn
