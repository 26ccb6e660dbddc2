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
#include <deque>
#include <thread>

#include "link/SignFrame.h"
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

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

uint64_t msBetween(Clock::time_point from, Clock::time_point to) {
    return to <= from ? 0
                      : uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

// Whether bytes come after a pause: how long the link waited for them since it was last ready to
// read, against the gap. Bytes that were already there when it got ready (after its own work or
// pacing) came without one, however long that work took.
class PauseWatch {
  public:
    explicit PauseWatch(uint64_t gapMs) : gapMs_(gapMs) {}
    void ready() { readyAt_ = Clock::now(); }
    Arrival arrived() const {
        return msBetween(readyAt_, Clock::now()) > gapMs_ ? Arrival::AfterPause : Arrival::Continuing;
    }

  private:
    uint64_t gapMs_;
    Clock::time_point readyAt_ = Clock::now();
};

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

uint64_t frameGapMs(uint32_t lineRate) {
    constexpr uint64_t kSlackMs = 10;
    if (lineRate == 0) return kSlackMs;
    return (SignFrame::kMaxLength * 10'000ull + lineRate - 1) / lineRate + kSlackMs;  // 10 bits a byte
}

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
                           ::listen(server_, SOMAXCONN) == 0 && setNonBlocking(server_);
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

struct SignLinkServer::Waiting {
    int fd = -1;
    Clock::time_point since;  // connected, or its last whole frame
};

// The clients that connected while another one was served, in the order they came. They are
// accepted as they come, so that each one's idle clock starts when it connects.
class SignLinkServer::Lobby {
  public:
    explicit Lobby(int server) : server_(server) {}
    ~Lobby() {
        for (Waiting& w : waiting_) closeFd(w.fd);
    }
    Lobby(const Lobby&) = delete;
    Lobby& operator=(const Lobby&) = delete;

    // The listening socket while more can be accepted; -1 after running out of descriptors, for a
    // moment, so that a poll on it does not spin.
    int listening() const { return Clock::now() < pausedUntil_ ? -1 : server_; }
    bool anyone() const { return !waiting_.empty() || readable(server_); }

    // Accepts every client that is there, as far as there is room.
    void admit() {
        while (listening() >= 0 && (waiting_.size() < kMaxWaiting || dropSilent())) {
            const int fd = ::accept4(server_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) {
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                    pausedUntil_ = Clock::now() + std::chrono::milliseconds(kTickMs / 4);
                if (errno != EINTR && errno != ECONNABORTED) return;
                continue;
            }
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, 1 /* TCP_NODELAY */, &one, sizeof one);
            waiting_.push_back({fd, Clock::now()});
        }
    }

    // Waits for a client to come (or the pause to pass) and accepts it; false when stopping.
    bool wait(const std::atomic<bool>& stop) {
        const auto now = Clock::now();
        if (now < pausedUntil_ ? !pauseUnlessStopped(msBetween(now, pausedUntil_) + 1, stop)
                               : !waitReadable(server_, stop))
            return false;
        admit();
        return true;
    }

    bool next(Waiting& out) {
        if (waiting_.empty()) return false;
        out = waiting_.front();
        waiting_.pop_front();
        return true;
    }

  private:
    // A full lobby makes room by dropping the longest waiting client that has sent nothing: a
    // crowd of silent connections then cannot keep a good client out.
    bool dropSilent() {
        for (auto w = waiting_.begin(); w != waiting_.end(); ++w) {
            if (readable(w->fd)) continue;
            ::close(w->fd);
            waiting_.erase(w);
            return true;
        }
        return false;
    }

    static constexpr size_t kMaxWaiting = 64;
    int server_;
    std::deque<Waiting> waiting_;
    Clock::time_point pausedUntil_{};
};

void SignLinkServer::serveClient(const Waiting& client, const Receive& receive, Lobby& lobby) {
    std::vector<uint8_t> in(4096), out;
    OutQueue queue;
    const auto idle = std::chrono::milliseconds(options_.idleMs);
    auto lastFrame = client.since;
    PauseWatch pause(frameGapMs(0));
    // Reads what there is and answers it; false when the client is to go.
    auto take = [&](bool& whole) {
        const Arrival arrival = pause.arrived();
        const ssize_t n = ::read(client.fd, in.data(), in.size());
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
        if (n < 0) return true;
        out.clear();
        const ResponderTurn turn = receive({in.data(), size_t(n)}, arrival, out);
        pause.ready();
        whole = turn.wholeFrames > 0;
        if (whole) lastFrame = Clock::now();
        queue.add(out);
        return queue.flush(client.fd) && turn.keep && !queue.overflowing();
    };
    while (!stop_) {
        const auto now = Clock::now();
        if (now - lastFrame > idle && lobby.anyone()) {
            // Its time is up: what it has sent already is still taken, but only a whole frame
            // keeps it.
            bool whole = false;
            if (!readable(client.fd) || !take(whole) || !whole) return;
            continue;
        }
        // Wakes when its time is up, or a tick later when it is up already and nobody waits.
        const int64_t untilIdle =
            std::chrono::duration_cast<std::chrono::milliseconds>(lastFrame + idle - now).count();
        const int wait = untilIdle < 0 ? kTickMs : int(std::min<int64_t>(untilIdle + 1, kTickMs));
        pollfd p[2] = {{client.fd, short(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0},
                       {lobby.listening(), POLLIN, 0}};
        const int r = ::poll(p, 2, wait);
        if (r < 0 && errno != EINTR) return;
        if (r <= 0) continue;
        if (p[1].revents & POLLIN) lobby.admit();
        if ((p[0].revents & POLLOUT) && !queue.flush(client.fd)) return;
        bool whole = false;
        if ((p[0].revents & (POLLIN | POLLHUP | POLLERR)) && !take(whole)) return;
    }
}

void SignLinkServer::serveTcp(const Receive& receive, const std::function<void()>& reconnected,
                              const std::function<void()>& quiet) {
    Lobby lobby(server_);
    while (!stop_) {
        Waiting client;
        if (!lobby.next(client)) {
            if (!lobby.wait(stop_)) break;
            continue;
        }
        reconnected();
        serveClient(client, receive, lobby);
        ::close(client.fd);
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
    PauseWatch pause(frameGapMs(options_.lineRate));
    while (!stop_) {
        pollfd p{master_, short(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0};
        const int r = ::poll(&p, 1, kTickMs);
        if (r < 0 && errno != EINTR) break;
        if (r > 0 && (p.revents & POLLOUT)) queue.flush(master_);
        if (r <= 0 || !(p.revents & POLLIN)) {
            if (r == 0 && quiet) quiet();
            continue;
        }
        const Arrival arrival = pause.arrived();
        const ssize_t n = ::read(master_, in.data(), in.size());
        if (n <= 0) continue;
        lineTime(static_cast<size_t>(n));
        out.clear();
        if (!receive({in.data(), size_t(n)}, arrival, out).keep) reconnected();  // a line cannot close
        queue.add(out);
        queue.flush(master_);
        lineTime(out.size());
        pause.ready();
        if (queue.overflowing()) {
            // Nobody reads the line: what it holds is lost, as on a serial line with no listener.
            ::tcflush(keep_, TCIFLUSH);
            queue.clear();
        }
    }
}

}  // namespace orb
