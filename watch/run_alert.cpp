#include "watch/run_alert.h"

#include <chrono>
#include <ctime>
#include <random>

#include "watch/discord_limits.h"

namespace vorn {

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// An encoded word may be 75 characters; 45 bytes make 60 of base64 within "=?UTF-8?B?…?=".
constexpr std::size_t kEncodedWordBytes = 45;
constexpr std::size_t kBase64LineChars = 76;

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                static const char* const kHex = "0123456789abcdef";
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// Slack reads &, < and > as its own markup.
std::string SlackEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return out;
}

std::string Base64(const std::string& bytes) {
    static const char* const kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        unsigned value = static_cast<unsigned char>(bytes[at]) << 16;
        if (at + 1 < bytes.size()) {
            value |= static_cast<unsigned char>(bytes[at + 1]) << 8;
        }
        if (at + 2 < bytes.size()) {
            value |= static_cast<unsigned char>(bytes[at + 2]);
        }
        out += kAlphabet[(value >> 18) & 63];
        out += kAlphabet[(value >> 12) & 63];
        out += at + 1 < bytes.size() ? kAlphabet[(value >> 6) & 63] : '=';
        out += at + 2 < bytes.size() ? kAlphabet[value & 63] : '=';
    }
    return out;
}

std::string JoinNonEmpty(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (const std::string& part : parts) {
        if (!part.empty()) {
            out += (out.empty() ? "" : separator) + part;
        }
    }
    return out;
}

std::string BargainWord(const AlertListing& listing) { return listing.bargain ? "お買い得" : ""; }

// "9,800円（相場の20%）" where the going price is known.
std::string PriceText(const AlertListing& listing) {
    return listing.market ? listing.price + "（相場の" + std::to_string(*listing.market) + "%）" : listing.price;
}

// The counts line, then each listing as its change, title and price on one line and its URL on
// the next; line feeds only.
std::string PlainText(const RunAlert& alert) {
    std::string text = (alert.search.empty() ? "" : alert.search + "\n") + alert.summary + "\n";
    for (const AlertListing& listing : AlertListingsInOrder(alert.listings)) {
        text +=
            "\n" + JoinNonEmpty({BargainWord(listing), listing.change, listing.title, PriceText(listing)}, "  ") + "\n";
        if (!listing.url.empty()) {
            text += listing.url + "\n";
        }
    }
    return text;
}

// Characters as LINE counts them: UTF-16 units, so one beyond the BMP (four bytes) counts two.
std::size_t Utf16Length(const std::string& text) {
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::string DiscordBody(const RunAlert& alert) {
    const std::vector<AlertListing> listings = AlertListingsInOrder(alert.listings);
    std::vector<DiscordEmbedText> texts;
    for (const AlertListing& listing : listings) {
        texts.push_back(
            {listing.title, JoinNonEmpty({BargainWord(listing), listing.change, PriceText(listing)}, "\n")});
    }
    FitDiscordEmbeds(texts);
    std::string embeds;
    for (std::size_t i = 0; i < listings.size(); ++i) {
        const AlertListing& listing = listings[i];
        std::string embed = "{\"title\":" + JsonString(texts[i].title);
        if (!listing.url.empty()) {
            embed += ",\"url\":" + JsonString(listing.url);
        }
        embed += ",\"description\":" + JsonString(texts[i].description);
        if (!listing.photo.empty()) {
            embed += ",\"image\":{\"url\":" + JsonString(listing.photo) + "}";
        }
        embeds += (embeds.empty() ? "" : ",") + embed + "}";
    }
    // A title that reads "@everyone" must not ping the whole server.
    const std::string content = alert.search.empty() ? alert.summary : alert.search + "\n" + alert.summary;
    return "{\"content\":" + JsonString(CutForDiscord(content, kDiscordTextChars)) + ",\"embeds\":[" + embeds +
           "],\"allowed_mentions\":{\"parse\":[]}}";
}

std::string JsonBody(const RunAlert& alert) {
    std::string items;
    for (const AlertListing& listing : AlertListingsInOrder(alert.listings)) {
        items += (items.empty() ? "{" : ",{") + std::string("\"change\":") + JsonString(listing.change) +
                 ",\"title\":" + JsonString(listing.title) + ",\"price\":" + JsonString(listing.price) +
                 ",\"url\":" + JsonString(listing.url) + ",\"photo\":" + JsonString(listing.photo) +
                 ",\"market\":" + (listing.market ? std::to_string(*listing.market) : std::string("null")) +
                 ",\"bargain\":" + (listing.bargain ? "true" : "false") + "}";
    }
    return "{\"search\":" + JsonString(alert.search) + ",\"summary\":" + JsonString(alert.summary) + ",\"items\":[" +
           items + "]}";
}

// RFC 5322 wants English day and month names, whatever the locale.
std::string MailDate(std::time_t now) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday], utc.tm_mday,
                  kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

// A subject is one line, whatever the summary holds.
std::string FirstLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

// Encoded words of at most 45 bytes each, folded onto lines of their own.
std::string EncodedSubject(const std::string& subject) {
    std::string out;
    std::size_t start = 0;
    while (start < subject.size()) {
        std::size_t end = std::min(start + kEncodedWordBytes, subject.size());
        while (end < subject.size() && IsContinuationByte(subject[end])) {
            --end;
        }
        out += (out.empty() ? "" : "\r\n ") + std::string("=?UTF-8?B?") + Base64(subject.substr(start, end - start)) +
               "?=";
        start = end;
    }
    return out;
}

} // namespace

bool AlertDue(AlertWhen when, const RunAlert& alert) {
    switch (when) {
    case AlertWhen::Changes:
        return alert.anyChange;
    case AlertWhen::Rows:
        return alert.anyRows;
    case AlertWhen::Always:
        return true;
    case AlertWhen::Bargains:
        return alert.anyBargain;
    }
    return false;
}

std::vector<AlertListing> AlertListingsInOrder(const std::vector<AlertListing>& listings) {
    std::vector<AlertListing> ordered;
    const auto group = [](const AlertListing& listing) { return listing.bargain ? 0 : listing.change.empty() ? 2 : 1; };
    for (const int wanted : {0, 1, 2}) {
        for (const AlertListing& listing : listings) {
            if (ordered.size() < kMostAlertListings && group(listing) == wanted) {
                ordered.push_back(listing);
            }
        }
    }
    return ordered;
}

std::string WebhookBody(WebhookFormat format, const RunAlert& alert) {
    switch (format) {
    case WebhookFormat::Slack:
        return "{\"text\":" + JsonString(SlackEscaped(PlainText(alert))) + "}";
    case WebhookFormat::Discord:
        return DiscordBody(alert);
    case WebhookFormat::Json:
        break;
    }
    return JsonBody(alert);
}

std::string MailMessage(const NotifySettings& settings, const RunAlert& alert) {
    const std::time_t now = std::time(nullptr);
    std::string to;
    for (const std::string& address : settings.mailTo) {
        to += (to.empty() ? "" : ", ") + address;
    }
    const std::size_t at = settings.mailFrom.rfind('@');
    const std::string domain = at == std::string::npos ? "localhost" : settings.mailFrom.substr(at + 1);
    std::mt19937_64 random(std::random_device{}());
    std::string message = "Date: " + MailDate(now) + "\r\nFrom: " + settings.mailFrom + "\r\nTo: " + to +
                          "\r\nSubject: " +
                          EncodedSubject(alert.program + ": " + (alert.search.empty() ? "" : alert.search + ": ") +
                                         FirstLine(alert.summary)) +
                          "\r\nMessage-ID: <" + std::to_string(now) + "." + std::to_string(random()) + "@" + domain +
                          ">\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                          "Content-Transfer-Encoding: base64\r\n\r\n";
    std::string body;
    for (const char c : PlainText(alert)) {
        body += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const std::string encoded = Base64(body);
    for (std::size_t start = 0; start < encoded.size(); start += kBase64LineChars) {
        message += encoded.substr(start, kBase64LineChars) + "\r\n";
    }
    return message;
}

std::string LineText(const RunAlert& alert) {
    const std::vector<AlertListing> ordered = AlertListingsInOrder(alert.listings);
    RunAlert shown = alert;
    shown.listings.clear();
    std::string text = PlainText(shown);
    for (const AlertListing& listing : ordered) {
        shown.listings.push_back(listing);
        std::string longer = PlainText(shown);
        if (Utf16Length(longer) > kLineTextChars) {
            break;
        }
        text = std::move(longer);
    }
    // Only a counts line longer than the whole message is cut within itself.
    std::size_t units = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if ((byte & 0xC0) != 0x80 && (units += byte >= 0xF0 ? 2 : 1) > kLineTextChars) {
            return text.substr(0, at);
        }
    }
    return text;
}

std::string LineBody(const std::string& to, const std::string& text) {
    const std::string messages = "\"messages\":[{\"type\":\"text\",\"text\":" + JsonString(text) + "}]";
    return to.empty() ? "{" + messages + "}" : "{\"to\":" + JsonString(to) + "," + messages + "}";
}

std::string RedactedUrl(const std::string& url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos) {
        return "…";
    }
    const std::size_t hostEnd = url.find_first_of("/?#", scheme + 3);
    std::string host = url.substr(scheme + 3, hostEnd == std::string::npos ? std::string::npos : hostEnd - scheme - 3);
    const std::size_t credentials = host.rfind('@');
    if (credentials != std::string::npos) {
        host.erase(0, credentials + 1);
    }
    return url.substr(0, scheme + 3) + host + "/…";
}

std::string DescribeResult(const ChannelResult& result) {
    return result.channel + ": " + (result.ok ? "" : "not sent: ") + result.answer;
}

} // namespace vorn
