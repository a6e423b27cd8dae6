#include "tools/sample_site/raw_recording_server.h"

#include <csignal>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tools/sample_site/sample_site.h"

namespace vorn::site {

namespace {

constexpr std::size_t kMaxHeadBytes = 64 * 1024;

// One accepted connection, plain or under TLS.
class Connection {
public:
    Connection(int socket, SSL_CTX* tlsContext) : socket_(socket) {
        timeval limit{5, 0}; // a client that stalls must not hold the server
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (tlsContext != nullptr) {
            ssl_ = SSL_new(tlsContext);
            if (ssl_ == nullptr || SSL_set_fd(ssl_, socket_) != 1 || SSL_accept(ssl_) != 1) {
                failed_ = true;
            }
        }
    }
    ~Connection() {
        if (ssl_ != nullptr) {
            if (!failed_) {
                SSL_shutdown(ssl_);
            }
            SSL_free(ssl_);
        }
        ::close(socket_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ready() const { return !failed_; }

    int Receive(char* buffer, int size) {
        return ssl_ != nullptr ? SSL_read(ssl_, buffer, size) : static_cast<int>(::recv(socket_, buffer, size, 0));
    }

    bool SendAll(const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            const int size = static_cast<int>(data.size() - sent);
            const int n = ssl_ != nullptr ? SSL_write(ssl_, data.data() + sent, size)
                                          : static_cast<int>(::send(socket_, data.data() + sent, size, MSG_NOSIGNAL));
            if (n <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int socket_;
    SSL* ssl_ = nullptr;
    bool failed_ = false;
};

} // namespace

RawRecordingServer::RawRecordingServer(Transport transport, std::string body)
    : transport_(transport),
      answer_("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
              "\r\nConnection: close\r\n\r\n" + body) {
    // TLS writes go through plain write(); a client that hangs up must not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    if (transport_ == Transport::Tls) {
        tlsContext_ = SSL_CTX_new(TLS_server_method());
        if (tlsContext_ == nullptr ||
            SSL_CTX_use_certificate_chain_file(tlsContext_, SampleSite::CertFile().c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(tlsContext_, SampleSite::KeyFile().c_str(), SSL_FILETYPE_PEM) != 1) {
            SSL_CTX_free(tlsContext_);
            throw std::runtime_error("raw recording server: cannot load the test certificate");
        }
    }

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener_ >= 0) {
            ::close(listener_);
        }
        SSL_CTX_free(tlsContext_);
        throw std::runtime_error("raw recording server: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

RawRecordingServer::~RawRecordingServer() {
    Stop();
    ::close(listener_);
    SSL_CTX_free(tlsContext_);
}

std::string RawRecordingServer::baseUrl() const {
    return std::string(transport_ == Transport::Tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
}

void RawRecordingServer::AnswerVerbatim(std::string response) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(response);
}

std::vector<std::string> RawRecordingServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RawRecordingServer::Stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RawRecordingServer::Serve() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) {
            continue;
        }
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            ServeConnection(connection);
        }
    }
}

void RawRecordingServer::ServeConnection(int socket) {
    Connection connection(socket, tlsContext_);
    if (!connection.ready()) {
        return;
    }
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHeadBytes) {
        const int n = connection.Receive(buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    if (head.empty()) {
        return;
    }
    if (const auto end = head.find("\r\n\r\n"); end != std::string::npos) {
        head.resize(end + 4);
    }
    std::string answer;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
        answer = answer_;
    }
    connection.SendAll(answer);
}

} // namespace vorn::site
