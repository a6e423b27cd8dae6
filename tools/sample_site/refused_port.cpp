#include "tools/sample_site/refused_port.h"

#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vorn::site {

int RefusedLoopbackPort() {
    static const int port = [] {
        // The socket stays open on purpose until the process ends.
        const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (holder < 0 || ::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot reserve a loopback port");
        }
        return static_cast<int>(ntohs(address.sin_port));
    }();
    return port;
}

} // namespace vorn::site
