#include "tools/sample_site/sample_site.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <stdexcept>

#include <openssl/ssl.h>
#include <sys/socket.h>

#include <httplib.h>

namespace vorn::site {

namespace {

constexpr const char* kHost = "127.0.0.1";
constexpr std::chrono::hours kForever{24 * 365};

bool Matches(const std::string& pattern, const std::string& path) {
    if (!pattern.empty() && pattern.back() == '*') {
        return path.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    }
    return pattern == path;
}

long NumberParam(const httplib::Request& req, const char* name, long fallback) {
    if (!req.has_param(name)) {
        return fallback;
    }
    const std::string text = req.get_param_value(name);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 ? value : fallback;
}

SiteResponse Redirect(std::string location) {
    SiteResponse answer;
    answer.status = 302;
    answer.headers.emplace_back("Location", std::move(location));
    return answer;
}

SiteResponse NotFound() {
    SiteResponse answer;
    answer.status = 404;
    answer.body = "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\n";
    return answer;
}

// Ends the TCP connection under the TLS session, so the client sees it close with no answer.
void DropClient(const httplib::Request& req) {
    const int fd = req.ssl != nullptr ? SSL_get_fd(req.ssl) : -1;
    if (fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
    }
}

} // namespace

SampleSite::SampleSite(int port) {
    // A client that hangs up mid-answer must cost a failed write, not the process.
    std::signal(SIGPIPE, SIG_IGN);

    server_ = std::make_unique<httplib::SSLServer>(CertFile().c_str(), KeyFile().c_str());
    if (!server_->is_valid()) {
        throw std::runtime_error("sample site: cannot load the certificate " + CertFile().string());
    }
    // Lets Stop() finish soon even when a client keeps its connection open.
    server_->set_keep_alive_timeout(1);
    // As a production server would: without it a page's last segment waits for the client's
    // delayed acknowledgement, up to 40 ms per page on loopback.
    server_->set_tcp_nodelay(true);
    // Common servers serve a hundred or more requests on one kept connection.
    server_->set_keep_alive_max_count(100);
    // A 20 MB page to a client slowed by a sanitizer or a busy machine takes longer than the
    // library's 5 s; the site must not be the one that cuts it off.
    server_->set_write_timeout(60);
    server_->Get("[\\s\\S]*", [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res); });

    port_ = port == 0 ? server_->bind_to_any_port(kHost) : (server_->bind_to_port(kHost, port) ? port : -1);
    if (port_ <= 0) {
        throw std::runtime_error("sample site: cannot listen on " + std::string(kHost) + ":" + std::to_string(port));
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });

    // stop() does nothing before the server runs, so Stop() must not be reachable earlier.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_->is_running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            thread_.detach();
            throw std::runtime_error("sample site: the server did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

SampleSite::~SampleSite() { Stop(); }

std::string SampleSite::baseUrl() const { return "https://" + std::string(kHost) + ":" + std::to_string(port_) + "/"; }

std::string SampleSite::Url(std::string_view path) const {
    if (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
    }
    return baseUrl() + std::string(path);
}

void SampleSite::Handle(std::string pathPattern, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_.push_back(Route{std::move(pathPattern), std::move(handler)});
}

void SampleSite::SetFallback(ContentHandler content) {
    std::lock_guard lock(mutex_);
    fallback_ = std::move(content);
}

std::vector<SiteRequest> SampleSite::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void SampleSite::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

std::vector<std::string> SampleSite::RequestedPaths() const {
    std::vector<std::string> paths;
    for (const SiteRequest& request : Requests()) {
        paths.push_back(request.query.empty() ? request.path : request.path + "?" + request.query);
    }
    return paths;
}

std::vector<std::string> SampleSite::TakeRequestedPaths() {
    std::vector<std::string> paths = RequestedPaths();
    ClearRequests();
    return paths;
}

void SampleSite::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        stopping_ = true;
    }
    stopSignal_.notify_all();
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::filesystem::path SampleSite::CaFile() { return std::filesystem::path(VORN_SAMPLE_SITE_CERT_DIR) / "ca.crt"; }

std::filesystem::path SampleSite::CertFile() { return std::filesystem::path(VORN_SAMPLE_SITE_CERT_DIR) / "server.crt"; }

std::filesystem::path SampleSite::KeyFile() { return std::filesystem::path(VORN_SAMPLE_SITE_CERT_DIR) / "server.key"; }

void SampleSite::Serve(const httplib::Request& req, httplib::Response& res) {
    SiteRequest request;
    const auto question = req.target.find('?');
    request.path = req.target.substr(0, question);
    if (question != std::string::npos) {
        request.query = req.target.substr(question + 1);
    }
    request.userAgent = req.get_header_value("User-Agent");
    request.clientPort = req.remote_port;
    request.received = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    Send(req, Answer(request, req), res);
}

SiteResponse SampleSite::Answer(const SiteRequest& request, const httplib::Request& req) {
    Handler handler;
    ContentHandler fallback;
    {
        std::lock_guard lock(mutex_);
        for (auto route = routes_.rbegin(); route != routes_.rend(); ++route) {
            if (Matches(route->pattern, request.path)) {
                handler = route->handler;
                break;
            }
        }
        fallback = fallback_;
    }
    if (handler) {
        return handler(request);
    }
    if (auto builtIn = BuiltInAnswer(request, req)) {
        return *builtIn;
    }
    if (fallback) {
        if (auto content = fallback(request.path, request.query)) {
            return *content;
        }
    }
    return NotFound();
}

std::optional<SiteResponse> SampleSite::BuiltInAnswer(const SiteRequest& request, const httplib::Request& req) const {
    const std::string& path = request.path;
    SiteResponse answer;
    if (path.starts_with("/test/status/")) {
        const std::string code = path.substr(13);
        int status = 0;
        const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), status);
        if (error != std::errc() || end != code.data() + code.size() || status < 200 || status > 599) {
            return std::nullopt;
        }
        answer.status = status;
        answer.body = "status " + code;
    } else if (path == "/test/empty") {
        answer.body.clear();
    } else if (path == "/test/redirect") {
        return Redirect(req.get_param_value("to"));
    } else if (path == "/test/loop") {
        return Redirect(Url(path));
    } else if (path == "/test/cutoff") {
        answer.body.assign(static_cast<std::size_t>(NumberParam(req, "bytes", 2000)), 'c');
        answer.fault = SiteResponse::Fault::CutOff;
    } else if (path == "/test/drop") {
        answer.fault = SiteResponse::Fault::DropConnection;
    } else if (path == "/test/drip") {
        answer.body.assign(static_cast<std::size_t>(NumberParam(req, "bytes", 20)), 'x');
        answer.dripInterval = std::chrono::milliseconds(NumberParam(req, "ms", 100));
    } else if (path == "/test/delay") {
        answer.body = "late";
        answer.delay = std::chrono::milliseconds(NumberParam(req, "ms", 1000));
    } else if (path == "/test/hang") {
        answer.fault = SiteResponse::Fault::Hang;
    } else {
        return std::nullopt;
    }
    return answer;
}

void SampleSite::Send(const httplib::Request& req, const SiteResponse& answer, httplib::Response& res) {
    if (answer.delay.count() > 0 && !PauseUnlessStopping(answer.delay)) {
        DropClient(req);
        return;
    }
    if (answer.fault == SiteResponse::Fault::Hang) {
        PauseUnlessStopping(kForever);
        DropClient(req);
        return;
    }
    if (answer.fault == SiteResponse::Fault::DropConnection) {
        DropClient(req);
        return;
    }

    res.status = answer.status;
    for (const auto& [name, value] : answer.headers) {
        res.set_header(name, value);
    }
    auto body = std::make_shared<std::string>(answer.body);
    if (answer.fault == SiteResponse::Fault::CutOff) {
        const std::size_t announced = body->empty() ? 1 : body->size();
        body->resize(body->size() / 2);
        res.set_content_provider(announced, answer.contentType,
                                 [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (offset >= body->size()) {
                                         return false; // closes the connection short of the announced length
                                     }
                                     sink.write(body->data() + offset, body->size() - offset);
                                     return true;
                                 });
    } else if (answer.dripInterval.count() > 0 && !body->empty()) {
        const auto interval = answer.dripInterval;
        res.set_content_provider(body->size(), answer.contentType,
                                 [this, body, interval](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (!PauseUnlessStopping(interval)) {
                                         return false;
                                     }
                                     sink.write(body->data() + offset, 1);
                                     return true;
                                 });
    } else {
        res.set_content(*body, answer.contentType);
    }
}

bool SampleSite::PauseUnlessStopping(std::chrono::milliseconds pause) {
    pause = std::min<std::chrono::milliseconds>(pause, kForever);
    std::unique_lock lock(mutex_);
    return !stopSignal_.wait_for(lock, pause, [this] { return stopping_; });
}

} // namespace vorn::site
