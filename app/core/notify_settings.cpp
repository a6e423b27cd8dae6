#include "app/core/notify_settings.h"

#include <sstream>

#include "app/core/secret_file.h"
#include "watch/market_figures.h"
#include "watch/price.h"
#include "web/cp932.h"
#include "web/shown_text.h"
#include "web/text.h"

namespace vorn {

namespace {

// The values as the alerts take them: UTF-8.
NotifyValues Utf8Values(NotifyValues values) {
    for (std::string* value : {&values.webhook, &values.webhookFormat, &values.mailTo, &values.mailFrom,
                               &values.smtpUrl, &values.smtpUser, &values.smtpPasswordFile, &values.lineTokenFile,
                               &values.lineTo, &values.lineApi, &values.when, &values.bargain}) {
        *value = AnsiToUtf8(*value);
    }
    return values;
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::filesystem::path FromProgramDir(const std::string& file, const std::filesystem::path& programDir) {
    const std::filesystem::path path(file);
    return path.is_absolute() ? path : programDir / path;
}

// The typed secret, else the file's; the refusal when neither can be had.
std::string Secret(const std::optional<std::string>& typed, const std::string& file, const char* key,
                   const std::filesystem::path& programDir, std::string& refusal) {
    if (typed) {
        return *typed;
    }
    SecretReading reading = ReadSecretFile(FromProgramDir(file, programDir), key);
    refusal = reading.refusal;
    return reading.secret;
}

void TakeWebhook(const NotifyValues& values, NotifySettings& settings) {
    if (const auto refusal = WebhookRefusal(values)) {
        settings.webhookRefused = refusal->text;
        return;
    }
    const std::string format = AsciiLower(values.webhookFormat);
    settings.webhook = values.webhook;
    settings.format = format == "slack"     ? WebhookFormat::Slack
                      : format == "discord" ? WebhookFormat::Discord
                                            : WebhookFormat::Json;
}

void TakeMail(const NotifyValues& values, const std::filesystem::path& programDir, const TypedSecrets& typed,
              NotifySettings& settings) {
    std::istringstream addresses(values.mailTo);
    for (std::string address; std::getline(addresses, address, ',');) {
        if (!Trim(address).empty()) {
            settings.mailTo.push_back(Trim(address));
        }
    }
    settings.mailFrom = values.mailFrom;
    settings.smtpUrl = values.smtpUrl;
    settings.smtpUser = values.smtpUser;
    const bool passwordGiven = typed.smtpPassword || !values.smtpPasswordFile.empty();
    if (const auto refusal = MailRefusal(values, passwordGiven)) {
        settings.mailRefused = refusal->text;
    } else if (passwordGiven) {
        settings.smtpPassword =
            Secret(typed.smtpPassword, values.smtpPasswordFile, "SmtpPasswordFile", programDir, settings.mailRefused);
    }
}

void TakeLine(const NotifyValues& values, const std::filesystem::path& programDir, const TypedSecrets& typed,
              NotifySettings& settings) {
    const bool tokenGiven = typed.lineToken || !values.lineTokenFile.empty();
    std::string& refused = settings.lineRefused;
    if (const auto refusal = LineRefusal(values, tokenGiven)) {
        refused = refusal->text;
        return;
    }
    settings.lineTo = values.lineTo;
    if (!values.lineApi.empty()) {
        settings.lineApi = values.lineApi;
        while (settings.lineApi.back() == '/') {
            settings.lineApi.pop_back();
        }
    }
    const std::string token = Secret(typed.lineToken, values.lineTokenFile, "LineTokenFile", programDir, refused);
    const std::string source = typed.lineToken
                                   ? "the typed token"
                                   : "LineTokenFile " + FromProgramDir(values.lineTokenFile, programDir).string();
    if (const auto refusal = refused.empty() ? LineTokenRefusal(token, source) : std::nullopt) {
        refused = refusal->text;
    }
    if (refused.empty()) {
        settings.lineToken = token;
    }
}

} // namespace

NotifySettings NotifySettingsOf(const NotifyValues& cp932Values, const std::filesystem::path& programDir,
                                const TypedSecrets& typed) {
    const NotifyValues values = Utf8Values(cp932Values);
    NotifySettings settings;
    if (WebhookWanted(values)) {
        TakeWebhook(values, settings);
    }
    if (MailWanted(values)) {
        TakeMail(values, programDir, typed, settings);
    }
    if (LineWanted(values, typed.lineToken || !values.lineTokenFile.empty())) {
        TakeLine(values, programDir, typed, settings);
    }
    const std::string when = AsciiLower(values.when);
    settings.when = when == "rows"       ? AlertWhen::Rows
                    : when == "always"   ? AlertWhen::Always
                    : when == "bargains" ? AlertWhen::Bargains
                                         : AlertWhen::Changes;
    settings.bargain = BargainPercent(values).value_or(0);
    settings.onFailure = AsciiLower(values.onFailure) != "no";
    if (const auto refusal = WhenRefusal(values)) {
        for (auto [configured, reason] : {std::pair{settings.webhookConfigured(), &settings.webhookRefused},
                                          std::pair{settings.mailConfigured(), &settings.mailRefused},
                                          std::pair{settings.lineConfigured(), &settings.lineRefused}}) {
            if (configured && reason->empty()) {
                *reason = refusal->text;
            }
        }
    }
    return settings;
}

NotifySettings ReadNotifySettings(const ProfileFile& file, const std::filesystem::path& programDir) {
    return NotifySettingsOf(ReadNotifyValues(file), programDir);
}

AlertTransport AlertTransportFor(const SiteSettings& site, const std::filesystem::path& programDir) {
    AlertTransport transport;
    transport.extraCaFile = CaFilePath(site, programDir).string();
    transport.retries = site.retries;
    return transport;
}

RunAlert AlertOf(const RunWatch& watch, int bargainPercent, const std::string& savedName, const std::string& failure) {
    RunAlert alert;
    alert.search = savedName.empty() ? ShownTextOfAnsi(watch.conditions()) : savedName;
    alert.summary = AnsiToUtf8(CountsLine(watch.counts()));
    if (!failure.empty()) {
        alert.summary = failure + "\n" + alert.summary;
        alert.failed = true;
    }
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
