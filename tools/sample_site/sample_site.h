#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tools/sample_site/site_response.h"

namespace httplib {
class SSLServer;
struct Request;
struct Response;
} // namespace httplib

namespace vorn::site {

// One request as the site received it. Path and query are raw (percent escapes kept); the query
// is the text after "?" and empty when there is none.
struct SiteRequest {
    std::string path;
    std::string query;
    std::string userAgent;
    int clientPort = 0; // the same port on two requests means the same connection
    std::chrono::steady_clock::time_point received;
};

// An HTTPS server on 127.0.0.1 standing in for the real site. It serves in a background thread
// from construction until Stop() or destruction, with the test certificate of CertFile(), which
// CaFile() signs.
//
// Answers come from, in this order: routes added with Handle(), the built-in fault routes below,
// the fallback content, and otherwise a 404 page. Built-in routes (queries are optional):
//   /test/status/NNN          status NNN, body "status NNN"
//   /test/empty               200 with an empty body
//   /test/redirect?to=URL     302 to URL (percent-decoded), any scheme
//   /test/loop                302 to itself, for ever
//   /test/cutoff?bytes=N      announces N bytes (default 2000), sends half, closes
//   /test/drop                closes the connection without answering
//   /test/drip?bytes=N&ms=M   N bytes (default 20) of "x", one every M ms (default 100)
//   /test/delay?ms=M          "late" after M ms (default 1000)
//   /test/hang                never answers
class SampleSite {
public:
    using Handler = std::function<SiteResponse(const SiteRequest&)>;
    using ContentHandler =
        std::function<std::optional<SiteResponse>(const std::string& path, const std::string& query)>;

    // Port 0 takes a free port. Throws std::runtime_error when the port cannot be bound.
    explicit SampleSite(int port = 0);
    ~SampleSite();
    SampleSite(const SampleSite&) = delete;
    SampleSite& operator=(const SampleSite&) = delete;

    int port() const { return port_; }
    // "https://127.0.0.1:PORT/"
    std::string baseUrl() const;
    // baseUrl() followed by path without its leading "/".
    std::string Url(std::string_view path) const;

    // pathPattern is an exact path ("/a/b"), or a prefix when it ends with "*" ("/article/*").
    // Routes added later win over earlier ones; may be called while the site serves.
    void Handle(std::string pathPattern, Handler handler);
    // Asked for every path no route claims; returning nothing gives the 404 page.
    void SetFallback(ContentHandler content);

    // Every request received so far, oldest first (safe while the site serves).
    std::vector<SiteRequest> Requests() const;
    void ClearRequests();
    // "path?query" (the path alone without a query) of every request received so far; Take also
    // empties the log.
    std::vector<std::string> RequestedPaths() const;
    std::vector<std::string> TakeRequestedPaths();

    // Ends serving; waits for open answers, cutting short delays, drips and hangs. Idempotent.
    void Stop();

    // The test certificates in the source tree.
    static std::filesystem::path CaFile();
    static std::filesystem::path CertFile();
    static std::filesystem::path KeyFile();

private:
    struct Route {
        std::string pattern;
        Handler handler;
    };

    void Serve(const httplib::Request& req, httplib::Response& res);
    SiteResponse Answer(const SiteRequest& request, const httplib::Request& req);
    std::optional<SiteResponse> BuiltInAnswer(const SiteRequest& request, const httplib::Request& req) const;
    void Send(const httplib::Request& req, const SiteResponse& answer, httplib::Response& res);
    // Sleeps for the pause unless the site stops first; false when it stopped.
    bool PauseUnlessStopping(std::chrono::milliseconds pause);

    std::unique_ptr<httplib::SSLServer> server_;
    std::thread thread_;
    int port_ = 0;

    mutable std::mutex mutex_;
    std::vector<Route> routes_;
    ContentHandler fallback_;
    std::vector<SiteRequest> requests_;
    bool stopping_ = false;
    std::condition_variable stopSignal_;
};

} // namespace vorn::site
