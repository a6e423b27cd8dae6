#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorn {

// The alert a run sends to the user's phone: one message per configured channel. Text is UTF-8.

struct AlertListing {
    AlertListing() = default;
    AlertListing(std::string change, std::string title, std::string price, std::string url, std::string photo)
        : change(std::move(change)), title(std::move(title)), price(std::move(price)), url(std::move(url)),
          photo(std::move(photo)) {}

    std::string change; // "新着", "値下げ 12,000円→9,800円" …; empty for a listing that did not change
    std::string title;
    std::string price;
    std::string url;   // the detail page
    std::string photo; // the first photograph's URL; may be empty
    std::optional<int> market; // the price as a whole per cent of its search's median, where known
    bool bargain = false;      // at [Notify] Bargain= per cent of that median or less
};

struct RunAlert {
    std::string program = "vorn-search"; // named in the mail's subject
    std::string summary;                 // the counts line
    std::vector<AlertListing> listings;  // in the run's order; the message orders and cuts them
    bool anyChange = false;              // something new or changed
    bool anyRows = false;                // the run wrote rows
    bool anyBargain = false;             // a listing is marked お買い得
    bool failed = false;                 // the summary begins with the text of how the run failed
    std::string search;                  // the saved search's name, or the run's conditions; first
};

enum class WebhookFormat { Json, Slack, Discord };
enum class AlertWhen { Changes, Rows, Always, Bargains };

// Section [Notify] of db/vrn.ini, read and checked by app/core/notify_settings.h. A channel whose
// settings were refused is still configured: it reports the refusal instead of sending.
struct NotifySettings {
    std::string webhook; // https URL; its path is a secret
    WebhookFormat format = WebhookFormat::Json;
    std::string webhookRefused;

    std::vector<std::string> mailTo;
    std::string mailFrom;
    std::string smtpUrl; // smtps://, or smtp:// with STARTTLS required
    std::string smtpUser;
    std::string smtpPassword;
    std::string mailRefused;

    // LINE's Messaging API: a push to one user, group or room, or a broadcast to the account's
    // friends when lineTo is empty.
    std::string lineToken; // a secret
    std::string lineTo;
    std::string lineApi = "https://api.line.me"; // the API's origin
    std::string lineRefused;

    AlertWhen when = AlertWhen::Changes;
    int bargain = 0; // Bargain=: per cent of the going price (1 to 99); 0: no listing is a bargain
    bool onFailure = true; // a failed run sends its message whatever When= says

    bool webhookConfigured() const { return !webhook.empty() || !webhookRefused.empty(); }
    bool mailConfigured() const { return !mailTo.empty() || !mailRefused.empty(); }
    bool lineConfigured() const { return !lineToken.empty() || !lineRefused.empty(); }
    bool anyConfigured() const { return webhookConfigured() || mailConfigured() || lineConfigured(); }
};

// How the messages travel: trusted as the page fetcher trusts, retried by its rule.
struct AlertTransport {
    std::string extraCaFile;            // [Site] CaFile, besides the system's certificates
    int retries = 0;                    // [Site] Retries
    std::function<bool()> stopRequested; // cuts a retry's wait and a transfer short
    long connectTimeoutSeconds = 20;
    long totalTimeoutSeconds = 60;
};

struct ChannelResult {
    std::string channel; // "webhook", "mail" or "LINE"
    bool ok = false;
    std::string answer; // what the service answered, or why nothing was sent; never a secret
};

inline constexpr std::size_t kMostAlertListings = 10;

// Whether this run's outcome calls for a message under When=.
bool AlertDue(AlertWhen when, const RunAlert& alert);
// Bargains first, then the other changed listings, then the rest, each group in its order, at most
// kMostAlertListings.
std::vector<AlertListing> AlertListingsInOrder(const std::vector<AlertListing>& listings);

// The bodies each channel sends.
std::string WebhookBody(WebhookFormat format, const RunAlert& alert);
// A whole RFC 5322 message, UTF-8 plain text in base64, CR LF line ends.
std::string MailMessage(const NotifySettings& settings, const RunAlert& alert);
// LINE takes one text of at most this many characters (UTF-16 units, as it counts them).
inline constexpr std::size_t kLineTextChars = 5000;
// The mail's text, ended after the last listing that fits within kLineTextChars.
std::string LineText(const RunAlert& alert);
// The push (to a user, group or room) or, with `to` empty, the broadcast request's JSON.
std::string LineBody(const std::string& to, const std::string& text);

// Sends one message on every configured channel when When= calls for it, or the run failed and
// OnFailure= allows; one result per channel tried, none when nothing was due. A failure to send is
// only reported.
std::vector<ChannelResult> SendRunAlert(const NotifySettings& settings, const RunAlert& alert,
                                        const AlertTransport& transport);
// A test message on every configured channel, whatever When= says.
std::vector<ChannelResult> SendTestAlert(const NotifySettings& settings, const AlertTransport& transport,
                                         const std::string& program = "vorn-search");

// One line for a terminal or a status line: "webhook: HTTP 200 ok", "mail: not sent: …".
std::string DescribeResult(const ChannelResult& result);
// scheme://host[:port]/… : a webhook URL as it may be shown.
std::string RedactedUrl(const std::string& url);

} // namespace vorn
