// LINE's Messaging API: the run's text as one message, pushed to the user (or group) or broadcast
// to the account's friends, with a retry key so that LINE takes a retried message once only.
#include <memory>
#include <random>

#include <curl/curl.h>

#include "watch/alert_wire.h"

namespace vorn {

namespace {

struct ListFreer {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// A version 4 UUID, the form LINE wants for X-Line-Retry-Key.
std::string RandomUuid() {
    std::random_device device;
    std::uniform_int_distribution<int> nibble(0, 15);
    static const char* const kHex = "0123456789abcdef";
    std::string uuid;
    for (const char form : std::string("xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx")) {
        uuid += form == 'x' ? kHex[nibble(device)] : form == 'y' ? kHex[8 + nibble(device) % 4] : form;
    }
    return uuid;
}

// LINE asks for a retry after its own faults and lost answers only; a refusal stays a refusal.
bool LineMayTakeItLater(const FetchResult& result) {
    return result.outcome == FetchResult::Outcome::Transport ? result.httpStatus == 0
                                                             : result.httpStatus >= 500 && result.httpStatus <= 599;
}

std::string StatusMeaning(long status) {
    switch (status) {
    case 401:
        return ", the channel access token was not accepted";
    case 429:
        return ", this month's message limit is reached (the free plan allows 200)";
    default:
        return "";
    }
}

} // namespace

ChannelResult alert_wire::SendLine(const NotifySettings& settings, const std::string& text,
                                   const AlertTransport& transport) {
    ChannelResult result{"LINE", false, {}};
    const std::vector<std::string> secrets{settings.lineToken};
    const std::string url =
        settings.lineApi + (settings.lineTo.empty() ? "/v2/bot/message/broadcast" : "/v2/bot/message/push");
    const std::string body = LineBody(settings.lineTo, text);
    std::unique_ptr<curl_slist, ListFreer> headers;
    for (const std::string& header :
         {std::string("Content-Type: application/json"), "Authorization: Bearer " + settings.lineToken,
          "X-Line-Retry-Key: " + RandomUuid()}) {
        curl_slist* longer = curl_slist_append(headers.get(), header.c_str());
        headers.release();
        headers.reset(longer);
    }
    int tries = 0;
    Exchange exchange;
    const FetchResult last = Transfer(
        transport, exchange, {},
        [&](CURL* h) {
            ++tries;
            curl_easy_setopt(h, CURLOPT_URL, url.c_str());
            curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
            curl_easy_setopt(h, CURLOPT_USERAGENT, "vorn-search");
            curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        },
        &LineMayTakeItLater);
    if (last.outcome != FetchResult::Outcome::Body) {
        result.answer = Shown(last.error, secrets);
        return result;
    }
    // 409 to a retry: an earlier try of this key was taken after all, and its answer was lost.
    const bool takenBefore = last.httpStatus == 409 && tries > 1;
    result.ok = (last.httpStatus >= 200 && last.httpStatus < 300) || takenBefore;
    result.answer = Shown("HTTP " + std::to_string(last.httpStatus) +
                              (takenBefore ? ", taken by an earlier try" : StatusMeaning(last.httpStatus)) + " " +
                              exchange.received,
                          secrets);
    return result;
}

} // namespace vorn
