#include "sign/SignLinkServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "link/TcpLink.h"

namespace orb {

namespace {

using Clock = std::chrono::steady_clock;

// Answers not yet taken by a client that does not read are dropped past this.
constexpr size_t kMaxQueued = 256 * 1024;

// Answers waiting to go out on a non-blocking descriptor.
class OutQueue {
  public:
    void add(const std::vector<uint8_t>& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    bool empty() const { return bytes_.empty(); }
    bool overflowing() const { return bytes_.size() > kMaxQueued; }
    void clear() { bytes_.clear(); }
    // Writes what the descriptor takes now; false when it is broken.
    bool flush(int fd) {
        while (!bytes_.empty()) {
            const ssize_t n = ::write(fd, bytes_.data(), bytes_.size());
            if (n > 0) {
                bytes_.erase(bytes_.begin(), bytes_.begin() + n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
        return true;
    }

  private:
    std::vector<uint8_t> bytes_;
};

bool setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Waits for input on fd; false when stopping.
bool waitReadable(int fd, const std::atomic<bool>& stop) {
    pollfd p{fd, POLLIN, 0};
    while (!stop) {
        const int r = ::poll(&p, 1, SignLinkServer::kTickMs);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
    return false;
}

bool someoneWaiting(int server) {
    pollfd p{server, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

bool pauseUnlessStopped(uint64_t ms, const std::atomic<bool>& stop) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!stop && Clock::now() < until) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(SignLinkServer::kTickMs)));
    }
    return !stop;
}

bool parseLinkName(const std::string& link, LinkServerOptions& out) {
    if (link.rfind("tcp:", 0) == 0 && link.size() > 4) {
        out.tcp = link.substr(4);
        std::string host;
        uint16_t port = 0;
        return parseHostPort(out.tcp, host, port);
    }
    if (link.rfind("pty:", 0) == 0 && link.size() > 4) {
        out.pty = link.substr(4);
        return true;
    }
    return false;
}

SignLinkServer::SignLinkServer(LinkServerOptions options, const std::atomic<bool>& stop)
    : options_(std::move(options)), stop_(stop) {}

SignLinkServer::~SignLinkServer() {
    if (master_ >= 0) ::unlink(options_.pty.c_str());
    closeFd(server_);
    closeFd(keep_);
    closeFd(master_);
}

bool SignLinkServer::open(std::string& error) {
    return options_.tcp.empty() ? openPty(error) : openTcp(error);
}

bool SignLinkServer::openTcp(std::string& error) {
    std::string host;
    uint16_t port = 0;
    if (!parseHostPort(options_.tcp, host, port)) return error = "not HOST:PORT: " + options_.tcp, false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return error = "cannot resolve " + host, false;
    server_ = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    if (server_ >= 0) ::setsockopt(server_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const bool listening = server_ >= 0 && ::bind(server_, found->ai_addr, found->ai_addrlen) == 0 &&
                           ::listen(server_, SOMAXCONN) == 0;
    ::freeaddrinfo(found);
    if (!listening) {
        error = "cannot listen on " + options_.tcp + ": " + std::strerror(errno);
        closeFd(server_);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(server_, reinterpret_cast<sockaddr*>(&bound), &length);
    const uint16_t actual =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    address_ = host + ":" + std::to_string(actual);
    return true;
}

bool SignLinkServer::openPty(std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || !setNonBlocking(master_)) {
        closeFd(master_);
        return error = "cannot make a pseudo-terminal", false;
    }
    const std::string slave = ::ptsname(master_);
    // Our own open end keeps the master readable while no client has the line open.
    keep_ = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    ::tcgetattr(keep_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(keep_, TCSANOW, &t);
    ::unlink(options_.pty.c_str());
    if (::symlink(slave.c_str(), options_.pty.c_str()) != 0) {
        closeFd(keep_);
        closeFd(master_);
        return error = "cannot link " + options_.pty + " to " + slave, false;
    }
    address_ = options_.pty + " (" + slave + ")";
    return true;
}

void SignLinkServer::serve(const Receive& receive, const std::function<void()>& reconnected,
                           const std::function<void()>& quiet) {
    if (server_ >= 0) serveTcp(receive, reconnected, quiet);
    if (master_ >= 0) servePty(receive, reconnected, quiet);
}

void SignLinkServer::serveClient(int client, const Receive& receive) {
    std::vector<uint8_t> in(4096), out;
    OutQueue queue;
    auto heard = Clock::now();
    while (!stop_) {
        pollfd p{client, short(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0};
        const int r = ::poll(&p, 1, kTickMs);
        if (r < 0 && errno != EINTR) return;
        if (r > 0 && (p.revents & POLLOUT) && !queue.flush(client)) return;
        if (r > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::read(client, in.data(), in.size());
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return;
            if (n < 0) continue;
            heard = Clock::now();
            out.clear();
            const ResponderTurn turn = receive({in.data(), size_t(n)}, out);
            queue.add(out);
            if (!queue.flush(client) || !turn.keep || queue.overflowing()) return;
        }
        if (Clock::now() - heard > std::chrono::milliseconds(options_.idleMs) && someoneWaiting(server_))
            return;
    }
}

void SignLinkServer::serveTcp(const Receive& receive, const std::function<void()>& reconnected,
                              const std::function<void()>& quiet) {
    const int one = 1;
    while (waitReadable(server_, stop_)) {
        const int client = ::accept4(server_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            // Out of descriptors the client stays queued and the port readable: pause, not spin.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                pauseUnlessStopped(kTickMs / 4, stop_);
            continue;
        }
        ::setsockopt(client, IPPROTO_TCP, 1 /* TCP_NODELAY */, &one, sizeof one);
        reconnected();
        serveClient(client, receive);
        ::close(client);
        if (quiet) quiet();
    }
}

void SignLinkServer::servePty(const Receive& receive, const std::function<void()>& reconnected,
                              const std::function<void()>& quiet) {
    // Paced like a serial line: each byte takes 10 bit times (start, 8 data, stop).
    auto lineTime = [&](size_t bytes) {
        if (options_.lineRate) pauseUnlessStopped(bytes * 10'000ull / options_.lineRate, stop_);
    };
    std::vector<uint8_t> in(4096), out;
    OutQueue queue;
    while (!stop_) {
        pollfd p{master_, short(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0};
        const int r = ::poll(&p, 1, kTickMs);
        if (r < 0 && errno != EINTR) break;
        if (r > 0 && (p.revents & POLLOUT)) queue.flush(master_);
        if (r <= 0 || !(p.revents & POLLIN)) {
            if (r == 0 && quiet) quiet();
            continue;
        }
        const ssize_t n = ::read(master_, in.data(), in.size());
        if (n <= 0) continue;
        lineTime(static_cast<size_t>(n));
        out.clear();
        if (!receive({in.data(), size_t(n)}, out).keep) reconnected();  // a line cannot close
        queue.add(out);
        queue.flush(master_);
        lineTime(out.size());
        if (queue.overflowing()) {
            // Nobody reads the line: what it holds is lost, as on a serial line with no listener.
            ::tcflush(keep_, TCIFLUSH);
            queue.clear();
        }
    }
}

}  // namespace orb
