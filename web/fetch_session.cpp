#include "web/fetch_session.h"

#include <curl/curl.h>

#include "web/fetch_transfer.h"

namespace vorn {

namespace {

thread_local CURL* sessionHandle = nullptr;

} // namespace

FetchSession::FetchSession() {
    if (sessionHandle == nullptr) {
        fetch::InitialiseLibcurlOnce();
        // Without a handle the fetches fall back to a connection each, which still works.
        sessionHandle = curl_easy_init();
        owner_ = sessionHandle != nullptr;
    }
}

FetchSession::~FetchSession() {
    if (owner_) {
        curl_easy_cleanup(sessionHandle);
        sessionHandle = nullptr;
    }
}

void* fetch::SessionHandle() { return sessionHandle; }

} // namespace vorn
