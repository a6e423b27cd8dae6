#include "web/fetch_transfer.h"

#include <algorithm>
#include <climits>
#include <memory>

#include <curl/curl.h>

#include "web/fetch_session.h"

namespace vorn::fetch {

namespace {

constexpr long kMaxRedirects = 20;
constexpr const char* kSystemCaPath = "/etc/ssl/certs";

struct TransferState {
    CURL* handle = nullptr;
    const BodySink* sink = nullptr;
    curl_off_t maxBytes = 0;
    curl_off_t received = 0;
    bool tooLarge = false;
    bool sinkStopped = false;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto& state = *static_cast<TransferState*>(context);
    const std::size_t bytes = size * count;
    state.received += static_cast<curl_off_t>(bytes);
    // The announced length is checked by libcurl; this catches bodies sent without one.
    if (state.received > state.maxBytes) {
        state.tooLarge = true;
        return 0;
    }
    long status = 0;
    curl_easy_getinfo(state.handle, CURLINFO_RESPONSE_CODE, &status);
    if (!(*state.sink)(status, std::string_view(data, bytes))) {
        state.sinkStopped = true;
        return 0;
    }
    return bytes;
}

struct HandleCloser {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListFreer {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// A session's handle keeps its connections and TLS sessions across transfers, but none of this
// transfer's options: they point at this call's buffers.
struct OptionsReset {
    void operator()(CURL* handle) const { curl_easy_reset(handle); }
};

} // namespace

void InitialiseLibcurlOnce() {
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialised;
}

TransferOutcome RunTransfer(const std::string& url, const std::string& userAgent,
                            const std::vector<std::string>& headerLines, const FetchSettings& settings,
                            const BodySink& sink) {
    InitialiseLibcurlOnce();
    TransferOutcome outcome;
    CURL* const sessionHandle = static_cast<CURL*>(SessionHandle());
    std::unique_ptr<CURL, HandleCloser> ownHandle(sessionHandle == nullptr ? curl_easy_init() : nullptr);
    CURL* const h = sessionHandle != nullptr ? sessionHandle : ownHandle.get();
    if (h == nullptr) {
        outcome.error = "libcurl could not make a handle";
        return outcome;
    }
    std::unique_ptr<curl_slist, ListFreer> headers;
    for (const std::string& line : headerLines) {
        curl_slist* longer = curl_slist_append(headers.get(), line.c_str());
        if (longer == nullptr) {
            outcome.error = "out of memory for the request headers";
            return outcome;
        }
        headers.release();
        headers.reset(longer);
    }

    TransferState state;
    state.handle = h;
    state.sink = &sink;
    state.maxBytes = settings.maxBodyBytes;
    char errorText[CURL_ERROR_SIZE] = {};
    const std::unique_ptr<CURL, OptionsReset> resetAfterwards(sessionHandle);

    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L); // time-outs without signals: fetches run on worker threads
    curl_easy_setopt(h, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // Environment proxies are ignored: the requests go straight to the site.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    if (sessionHandle == nullptr) {
        curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, settings.connectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, settings.idleTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, settings.totalTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(settings.maxBodyBytes));
    if (!settings.extraCaFile.empty()) {
        // CAINFO alone would replace the system bundle; the system folder keeps it trusted.
        curl_easy_setopt(h, CURLOPT_CAINFO, settings.extraCaFile.c_str());
        curl_easy_setopt(h, CURLOPT_CAPATH, kSystemCaPath);
    }
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);

    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &outcome.httpStatus);
    curl_off_t retryAfter = 0;
    if (curl_easy_getinfo(h, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK && retryAfter > 0) {
        outcome.retryAfterSeconds = static_cast<long>(std::min<curl_off_t>(retryAfter, LONG_MAX));
    }
    outcome.sinkStopped = state.sinkStopped;
    outcome.complete = code == CURLE_OK;
    if (state.tooLarge) {
        outcome.error = "the body is larger than " + std::to_string(settings.maxBodyBytes) + " bytes";
    } else if (!outcome.complete) {
        outcome.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
    }
    return outcome;
}

} // namespace vorn::fetch
