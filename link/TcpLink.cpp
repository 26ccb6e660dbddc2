#include "link/TcpLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace orb {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A non-blocking connect that gives up after the reply limit.
int connectTo(const std::string& host, uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
            ::close(fd);
            fd = -1;
            continue;
        }
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        if (::poll(&p, 1, TcpLink::kReplyLimitMs) != 1 ||
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd >= 0) {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one,
                     sizeof one);  // frames are small and answered at once
    }
    return fd;
}

}  // namespace

bool parseHostPort(const std::string& text, std::string& host, uint16_t& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
    const std::string digits = text.substr(colon + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 5) return false;
    const unsigned long value = std::stoul(digits);
    if (value > 65535) return false;
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    port = static_cast<uint16_t>(value);
    return true;
}

TcpLink::~TcpLink() {
    disconnect();
}

void TcpLink::setPeer(std::string host, uint16_t port) {
    disconnect();
    host_ = std::move(host);
    port_ = port;
}

bool TcpLink::connectNow() {
    if (fd_ < 0 && !host_.empty()) fd_ = connectTo(host_, port_);
    return fd_ >= 0;
}

void TcpLink::disconnect() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void TcpLink::discardPending() {
    uint8_t scrap[512];
    while (fd_ >= 0) {
        const ssize_t n = ::recv(fd_, scrap, sizeof scrap, MSG_DONTWAIT);
        if (n > 0) continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            disconnect();  // closed by the sign
        return;
    }
}

size_t TcpLink::exchange(std::span<const uint8_t> frame, std::span<uint8_t> reply) {
    discardPending();
    if (!connectNow()) return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReplyLimitMs);
    size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(fd_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        pollfd p{fd_, POLLOUT, 0};
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || ::poll(&p, 1, remainingMs(deadline)) != 1) {
            disconnect();
            return 0;
        }
    }
    size_t got = 0;
    while (got < reply.size()) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, remainingMs(deadline)) != 1) break;
        const ssize_t n = ::recv(fd_, reply.data() + got, reply.size() - got, 0);
        if (n > 0)
            got += static_cast<size_t>(n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    if (got < reply.size()) disconnect();
    return got;
}

std::string TcpLink::statusText() const {
    in_addr address{};
    char text[96];
    if (::inet_pton(AF_INET, host_.c_str(), &address) == 1) {
        const uint8_t* o = reinterpret_cast<const uint8_t*>(&address);
        std::snprintf(text, sizeof text, "[IP:%d.%d.%d.%d],  [PORT:%d]", o[0], o[1], o[2], o[3], port_);
    } else {
        std::snprintf(text, sizeof text, "[IP:%s],  [PORT:%d]", host_.c_str(), port_);
    }
    return text;
}

}  // namespace orb
