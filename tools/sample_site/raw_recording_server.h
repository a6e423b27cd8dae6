#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;

namespace vorn::site {

// A bare server on 127.0.0.1 that keeps every request head byte for byte (request line and header
// lines in the order they arrived, up to and including the empty line) and answers each with
// "200 OK" and a fixed body. It exists because the sample site's HTTP library does not keep the
// order of request headers. Connections are served one at a time and closed after one answer.
class RawRecordingServer {
public:
    enum class Transport { Plain, Tls }; // Tls uses the sample site's test certificate

    explicit RawRecordingServer(Transport transport = Transport::Plain, std::string body = "recorded\n");
    ~RawRecordingServer();
    RawRecordingServer(const RawRecordingServer&) = delete;
    RawRecordingServer& operator=(const RawRecordingServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT/" or "https://127.0.0.1:PORT/"
    std::string baseUrl() const;

    // From now on every answer is exactly these bytes (status line, headers and body), and the
    // connection closes after them: for answers the usual one cannot describe.
    void AnswerVerbatim(std::string response);

    // The request heads received so far, oldest first.
    std::vector<std::string> Requests() const;

    void Stop();

private:
    void Serve();
    void ServeConnection(int connection);

    Transport transport_;
    std::string answer_;
    int listener_ = -1;
    int port_ = 0;
    ssl_ctx_st* tlsContext_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

} // namespace vorn::site
