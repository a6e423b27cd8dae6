#include "app/core/notify_settings.h"

#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include "watch/market_figures.h"
#include "watch/price.h"
#include "web/cp932.h"
#include "web/shown_text.h"
#include "web/text.h"

namespace vorn {

namespace {

constexpr const char* kNotify = "Notify";

std::string Value(const ProfileFile& file, const char* key) { return Trim(AnsiToUtf8(file.ReadString(kNotify, key))); }

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

// The first line of a file that its owner alone may read.
std::string ReadPassword(const std::filesystem::path& file, std::string& refusal) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        refusal = "[Notify] SmtpPasswordFile " + file.string() + " is not a file that can be read";
        return {};
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        refusal = "[Notify] SmtpPasswordFile " + file.string() +
                  " may be read by others than its owner: refused (chmod 600 it)";
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    std::string password;
    if (!in || !std::getline(in, password)) {
        refusal = "[Notify] SmtpPasswordFile " + file.string() + " is not a file that can be read";
        return {};
    }
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return password;
}

void ReadWebhook(const ProfileFile& file, NotifySettings& settings) {
    const std::string webhook = Value(file, "Webhook");
    const std::string format = AsciiLower(Value(file, "WebhookFormat"));
    if (webhook.empty()) {
        return;
    }
    if (!StartsWith(webhook, "https://") || webhook.size() <= 8) {
        // The URL itself is not shown: its path is the webhook's key.
        settings.webhookRefused = "[Notify] Webhook= is not an https:// URL";
    } else if (format == "slack" || format == "discord" || format == "json" || format.empty()) {
        settings.webhook = webhook;
        settings.format = format == "slack"     ? WebhookFormat::Slack
                          : format == "discord" ? WebhookFormat::Discord
                                                : WebhookFormat::Json;
    } else {
        settings.webhookRefused = "[Notify] WebhookFormat=" + format + " is not slack, discord or json";
    }
}

void ReadMail(const ProfileFile& file, const std::filesystem::path& programDir, NotifySettings& settings) {
    const std::string to = Value(file, "MailTo");
    settings.mailFrom = Value(file, "MailFrom");
    settings.smtpUrl = Value(file, "SmtpUrl");
    settings.smtpUser = Value(file, "SmtpUser");
    const std::string passwordFile = Value(file, "SmtpPasswordFile");
    if (to.empty() && settings.mailFrom.empty() && settings.smtpUrl.empty()) {
        return;
    }
    std::istringstream addresses(to);
    for (std::string address; std::getline(addresses, address, ',');) {
        if (!Trim(address).empty()) {
            settings.mailTo.push_back(Trim(address));
        }
    }
    std::string& refusal = settings.mailRefused;
    for (const std::string& address : settings.mailTo) {
        if (!PlainAddress(address)) {
            refusal = "[Notify] MailTo= holds " + address + ", which is not an address";
        }
    }
    if (settings.mailTo.empty()) {
        refusal = "[Notify] MailTo= is missing";
    } else if (!PlainAddress(settings.mailFrom)) {
        refusal = "[Notify] MailFrom= is missing or not an address";
    } else if (!StartsWith(settings.smtpUrl, "smtps://") && !StartsWith(settings.smtpUrl, "smtp://")) {
        // Not shown: an SMTP URL may carry a user and password.
        refusal = "[Notify] SmtpUrl= is not an smtps:// or smtp:// URL";
    } else if (settings.smtpUser.empty() != passwordFile.empty()) {
        refusal = settings.smtpUser.empty() ? "[Notify] SmtpUser= is missing beside SmtpPasswordFile="
                                            : "[Notify] SmtpPasswordFile= is missing beside SmtpUser=";
    } else if (!passwordFile.empty() && refusal.empty()) {
        const std::filesystem::path path(passwordFile);
        settings.smtpPassword = ReadPassword(path.is_absolute() ? path : programDir / path, refusal);
    }
}

} // namespace

NotifySettings ReadNotifySettings(const ProfileFile& file, const std::filesystem::path& programDir) {
    NotifySettings settings;
    ReadWebhook(file, settings);
    ReadMail(file, programDir, settings);
    const std::string when = AsciiLower(Value(file, "When"));
    const std::string bargain = Value(file, "Bargain");
    std::string refusal;
    if (!bargain.empty()) {
        const bool digits = bargain.size() <= 2 && bargain.find_first_not_of("0123456789") == std::string::npos;
        settings.bargain = digits ? std::stoi(bargain) : 0;
        if (settings.bargain < 1) {
            refusal = "[Notify] Bargain=" + bargain + " is not a whole number from 1 to 99";
        }
    }
    if (when == "rows") {
        settings.when = AlertWhen::Rows;
    } else if (when == "always") {
        settings.when = AlertWhen::Always;
    } else if (when == "bargains") {
        settings.when = AlertWhen::Bargains;
        if (bargain.empty()) {
            refusal = "[Notify] When=bargains needs Bargain= (a per cent of the going price, 1 to 99)";
        }
    } else if (!when.empty() && when != "changes") {
        refusal = "[Notify] When=" + when + " is not changes, rows, always or bargains";
    }
    if (!refusal.empty()) {
        for (auto [configured, reason] : {std::pair{settings.webhookConfigured(), &settings.webhookRefused},
                                          std::pair{settings.mailConfigured(), &settings.mailRefused}}) {
            if (configured && reason->empty()) {
                *reason = refusal;
            }
        }
    }
    return settings;
}

AlertTransport AlertTransportFor(const SiteSettings& site, const std::filesystem::path& programDir) {
    AlertTransport transport;
    transport.extraCaFile = CaFilePath(site, programDir).string();
    transport.retries = site.retries;
    return transport;
}

RunAlert AlertOf(const RunWatch& watch, int bargainPercent, const std::string& savedName) {
    RunAlert alert;
    alert.search = savedName.empty() ? ShownTextOfAnsi(watch.conditions()) : savedName;
    alert.summary = AnsiToUtf8(CountsLine(watch.counts()));
    const auto add = [&](const WrittenListing& listing, bool onlyBargain) {
        AlertListing told{ShownTextOfAnsi(listing.change), ShownTextOfAnsi(listing.title),
                          ShownTextOfAnsi(listing.price), AnsiToUtf8(listing.url), AnsiToUtf8(listing.photo)};
        const MarketFigures figures = watch.market().FiguresOf(listing.search);
        const std::optional<long long> price = PriceNumber(listing.price);
        told.market = price ? MarketShare(*price, figures) : std::nullopt;
        // Against the median itself, not the rounded share: 20.4 % is not within 20 %.
        told.bargain = listing.reported && told.market && bargainPercent > 0 &&
                       *price * 100 <= static_cast<long long>(bargainPercent) * figures.median;
        alert.anyBargain = alert.anyBargain || told.bargain;
        if (told.bargain || !onlyBargain) {
            alert.listings.push_back(std::move(told));
        }
    };
    for (const WrittenListing& listing : watch.Reported()) {
        add(listing, false);
    }
    for (const WrittenListing& listing : watch.BargainCandidates()) {
        add(listing, true);
    }
    alert.anyChange = watch.counts().Total() > 0;
    alert.anyRows = watch.rowsWritten() > 0;
    return alert;
}

} // namespace vorn
