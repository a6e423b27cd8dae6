// The alert's two ways out through libcurl: an HTTPS POST to the webhook, and the mail by SMTP
// over TLS. Each is one message, tried again only under the fetcher's retry rule.
#include <algorithm>
#include <functional>
#include <memory>

#include <curl/curl.h>

#include "watch/alert_wire.h"
#include "watch/run_alert.h"
#include "web/fetch_retry.h"
#include "web/fetch_transfer.h"

namespace vorn {

namespace {

constexpr const char* kSystemCaPath = "/etc/ssl/certs";
// Enough of an answer to show; a service that talks on is not read further.
constexpr std::size_t kMostAnswerBytes = 4096;
constexpr std::size_t kShownAnswerChars = 200;

struct HandleCloser {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListFreer {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using alert_wire::Exchange;

std::size_t KeepBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* exchange = static_cast<Exchange*>(user);
    const std::size_t bytes = size * count;
    exchange->received.append(
        data, std::min(bytes, kMostAnswerBytes - std::min(kMostAnswerBytes, exchange->received.size())));
    return bytes;
}

// For SMTP libcurl hands the server's replies, a line each, to the header callback.
std::size_t KeepReplyLine(char* data, std::size_t size, std::size_t count, void* user) {
    auto* exchange = static_cast<Exchange*>(user);
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    if (!line.empty()) {
        exchange->received = line.substr(0, kMostAnswerBytes);
    }
    return size * count;
}

std::size_t GiveMail(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* exchange = static_cast<Exchange*>(user);
    const std::size_t bytes = std::min(size * count, exchange->upload.size() - exchange->uploaded);
    std::copy_n(exchange->upload.data() + exchange->uploaded, bytes, buffer);
    exchange->uploaded += bytes;
    return bytes;
}

} // namespace

std::string alert_wire::Shown(std::string text, const std::vector<std::string>& secrets) {
    for (const std::string& secret : secrets) {
        for (std::size_t at = secret.empty() ? std::string::npos : text.find(secret); at != std::string::npos;
             at = text.find(secret, at)) {
            text.replace(at, secret.size(), "…");
        }
    }
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    std::size_t chars = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && chars++ == kShownAnswerChars) {
            return text.substr(0, at) + "…";
        }
    }
    return text;
}

namespace {

using alert_wire::Shown;

// The whole URL and its path, which holds the webhook's key.
std::vector<std::string> WebhookSecrets(const std::string& url) {
    std::vector<std::string> secrets{url};
    const std::size_t scheme = url.find("://");
    const std::size_t path = scheme == std::string::npos ? scheme : url.find_first_of("/?#", scheme + 3);
    if (path != std::string::npos && url.size() > path + 1) {
        secrets.push_back(url.substr(path + 1));
    }
    return secrets;
}

// A stop (the window closing) ends a transfer at once rather than at its time-out.
int AbortOnStop(void* transport, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& stop = static_cast<const AlertTransport*>(transport)->stopRequested;
    return stop && stop() ? 1 : 0;
}

void SetCommonOptions(CURL* h, const AlertTransport& transport, char* errorText, Exchange& exchange) {
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    if (transport.stopRequested) {
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &AbortOnStop);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transport);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    }
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, transport.connectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, transport.totalTimeoutSeconds);
    if (!transport.extraCaFile.empty()) {
        // CAINFO alone would replace the system bundle; the system folder keeps it trusted.
        curl_easy_setopt(h, CURLOPT_CAINFO, transport.extraCaFile.c_str());
        curl_easy_setopt(h, CURLOPT_CAPATH, kSystemCaPath);
    }
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &KeepBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &exchange);
}

FetchResult Perform(CURL* h, const char* errorText) {
    FetchResult result;
    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    curl_off_t retryAfter = 0;
    if (curl_easy_getinfo(h, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK && retryAfter > 0) {
        result.retryAfterSeconds = static_cast<long>(std::min<curl_off_t>(retryAfter, kLongestRetryDelay.count()));
    }
    result.outcome = code == CURLE_OK ? FetchResult::Outcome::Body : FetchResult::Outcome::Transport;
    if (code != CURLE_OK) {
        result.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
    }
    return result;
}

} // namespace

FetchResult alert_wire::Transfer(const AlertTransport& transport, Exchange& exchange, const std::string& upload,
                                 const std::function<void(CURL*)>& channelOptions,
                                 const std::function<bool(const FetchResult&)>& worthRetrying) {
    const RetryPolicy policy{transport.retries, {}, transport.stopRequested};
    const std::function<FetchResult()> attempt = [&] {
        fetch::InitialiseLibcurlOnce();
        exchange = Exchange{};
        exchange.upload = upload;
        const std::unique_ptr<CURL, HandleCloser> handle(curl_easy_init());
        if (!handle) {
            return FetchResult{FetchResult::Outcome::File, 0, 0, "libcurl could not make a handle"};
        }
        CURL* const h = handle.get();
        char errorText[CURL_ERROR_SIZE] = {};
        SetCommonOptions(h, transport, errorText, exchange);
        channelOptions(h);
        return Perform(h, errorText);
    };
    return worthRetrying ? FetchWithRetries(policy, attempt, worthRetrying) : FetchWithRetries(policy, attempt);
}

namespace {

using alert_wire::Transfer;

ChannelResult PostWebhook(const NotifySettings& settings, const std::string& body, const AlertTransport& transport) {
    ChannelResult result{"webhook", false, {}};
    const std::vector<std::string> secrets = WebhookSecrets(settings.webhook);
    const std::unique_ptr<curl_slist, ListFreer> headers(curl_slist_append(nullptr, "Content-Type: application/json"));
    Exchange exchange;
    const FetchResult last = Transfer(transport, exchange, {}, [&](CURL* h) {
        curl_easy_setopt(h, CURLOPT_URL, settings.webhook.c_str());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
        curl_easy_setopt(h, CURLOPT_USERAGENT, "vorn-search");
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    });
    if (last.outcome != FetchResult::Outcome::Body) {
        result.answer = Shown(last.error, secrets);
        return result;
    }
    result.ok = last.httpStatus >= 200 && last.httpStatus < 300;
    result.answer = Shown("HTTP " + std::to_string(last.httpStatus) + " " + exchange.received, secrets);
    return result;
}

ChannelResult SendMail(const NotifySettings& settings, const std::string& message, const AlertTransport& transport) {
    ChannelResult result{"mail", false, {}};
    const std::vector<std::string> secrets{settings.smtpPassword};
    std::unique_ptr<curl_slist, ListFreer> recipients;
    for (const std::string& address : settings.mailTo) {
        curl_slist* longer = curl_slist_append(recipients.get(), ("<" + address + ">").c_str());
        recipients.release();
        recipients.reset(longer);
    }
    const std::string from = "<" + settings.mailFrom + ">";
    Exchange exchange;
    const FetchResult last = Transfer(transport, exchange, message, [&](CURL* h) {
        curl_easy_setopt(h, CURLOPT_URL, settings.smtpUrl.c_str());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
        // smtp:// without STARTTLS would send the password in the clear: refused.
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        if (!settings.smtpUser.empty()) {
            curl_easy_setopt(h, CURLOPT_USERNAME, settings.smtpUser.c_str());
            curl_easy_setopt(h, CURLOPT_PASSWORD, settings.smtpPassword.c_str());
        }
        curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.c_str());
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &KeepReplyLine);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &exchange);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &GiveMail);
        curl_easy_setopt(h, CURLOPT_READDATA, &exchange);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    });
    result.ok = last.outcome == FetchResult::Outcome::Body;
    const std::string& reply = exchange.received;
    result.answer = Shown(result.ok ? reply : last.error + (reply.empty() ? "" : " (" + reply + ")"), secrets);
    return result;
}

std::vector<ChannelResult> Send(const NotifySettings& settings, const RunAlert& alert,
                                const AlertTransport& transport) {
    std::vector<ChannelResult> results;
    if (settings.webhookConfigured()) {
        results.push_back(settings.webhookRefused.empty()
                              ? PostWebhook(settings, WebhookBody(settings.format, alert), transport)
                              : ChannelResult{"webhook", false, settings.webhookRefused});
    }
    if (settings.mailConfigured()) {
        results.push_back(settings.mailRefused.empty() ? SendMail(settings, MailMessage(settings, alert), transport)
                                                       : ChannelResult{"mail", false, settings.mailRefused});
    }
    if (settings.lineConfigured()) {
        results.push_back(settings.lineRefused.empty() ? alert_wire::SendLine(settings, LineText(alert), transport)
                                                       : ChannelResult{"LINE", false, settings.lineRefused});
    }
    return results;
}

} // namespace

std::vector<ChannelResult> SendRunAlert(const NotifySettings& settings, const RunAlert& alert,
                                        const AlertTransport& transport) {
    if (!AlertDue(settings.when, alert)) {
        return {};
    }
    return Send(settings, alert, transport);
}

std::vector<ChannelResult> SendTestAlert(const NotifySettings& settings, const AlertTransport& transport,
                                         const std::string& program) {
    RunAlert alert;
    alert.program = program;
    alert.summary = "Test message from " + program + ": alerts reach this channel.";
    return Send(settings, alert, transport);
}

} // namespace vorn
