#pragma once

namespace vorn {

// While one lives on a thread, that thread's fetches (FetchPage, DownloadFile) share one libcurl
// handle, so the connection to the site stays open from one request to the next instead of a new
// TCP and TLS handshake for every page. The requests carry the same bytes either way. Its end
// closes the connections it kept. Sessions on one thread nest: the outermost one owns the handle.
class FetchSession {
public:
    FetchSession();
    FetchSession(const FetchSession&) = delete;
    FetchSession& operator=(const FetchSession&) = delete;
    ~FetchSession();

private:
    bool owner_ = false;
};

namespace fetch {
// The libcurl handle of the calling thread's session; null when no session is open.
void* SessionHandle();
} // namespace fetch

} // namespace vorn
