#pragma once
// What the runner's tests share: a listener that records every report, the example program as a
// push, signemu on a loopback port as a sign address, and peers that misbehave below the protocol.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "image/ItemStore.h"
#include "service/fleet/FleetRunner.h"
#include "testsupport/SignEmu.h"

namespace orb::testing {

inline bool hasEnded(TaskState s) {
    return s == TaskState::Done || s == TaskState::Failed || s == TaskState::Cancelled;
}

// Every report, in the order the runner delivered them.
class Recorder final : public FleetListener {
  public:
    void onTask(const TaskReport& r) override {
        {
            std::lock_guard lock(mutex_);
            reports_.push_back(r);
        }
        changed_.notify_all();
    }

    // Waits (at most 60 s, so that a test fails rather than hangs) for a report that satisfies WANTED.
    TaskReport waitFor(uint64_t taskId, const std::function<bool(const TaskReport&)>& wanted) {
        std::unique_lock lock(mutex_);
        TaskReport found;
        const auto seen = [&] {
            for (const TaskReport& r : reports_)
                if (r.taskId == taskId && wanted(r)) return found = r, true;
            return false;
        };
        changed_.wait_for(lock, std::chrono::seconds(60), seen);
        return found;
    }
    // The task's last report, once it has ended.
    TaskReport end(uint64_t taskId) {
        return waitFor(taskId, [](const TaskReport& r) { return hasEnded(r.state); });
    }
    std::vector<TaskReport> of(uint64_t taskId) const {
        std::lock_guard lock(mutex_);
        std::vector<TaskReport> out;
        for (const TaskReport& r : reports_)
            if (r.taskId == taskId) out.push_back(r);
        return out;
    }
    std::vector<TaskReport> all() const {
        std::lock_guard lock(mutex_);
        return reports_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TaskReport> reports_;
};

inline const LocalDateTime kTestNow{2026, 3, 14, 9, 26, 53};
inline FleetRunner::LocalClock testClock() {
    return [] { return kTestNow; };
}

// Quick retries, so that the tests spend their time on the link.
inline FleetSettings quickSettings(int maxLinks = 4, int tries = 3) {
    FleetSettings s;
    s.maxLinks = maxLinks;
    s.tries = tries;
    s.firstRetryMs = 20;
    s.maxRetryMs = 200;
    return s;
}

// The example project, as the service would push it.
inline PushProgram examplePush() {
    auto store = std::make_shared<ItemStore>();
    ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, *store);
    SettingsBlock settings;
    store->readSettings(settings);
    settings.correct();
    return {store, store->itemCount(), settings.signWidth(), settings.signHeight()};
}

inline SignAddress tcpAddress(uint16_t port) {
    SignAddress a;
    a.tcp = true;
    a.host = "127.0.0.1";
    a.port = port;
    return a;
}
inline SignAddress addressOf(const SignEmu& sign) {
    return tcpAddress(sign.port());
}

inline SignTask task(uint64_t id, int64_t signId, SignAddress address, SignAction action, bool retry = true) {
    return {id, signId, std::move(address), std::move(action), retry};
}

// A loopback port nobody listens on (taken and given back).
inline uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

// A TCP peer that is no sign: it answers every frame with noise, hangs up at once, or reads and
// never answers.
class BadPeer {
  public:
    enum class Kind { Garbage, ClosesAtOnce, Silent };

    explicit BadPeer(Kind kind) : kind_(kind) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, 8);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~BadPeer() {
        stop_ = true;
        thread_.join();
        for (const pollfd& p : fds_) ::close(p.fd);
    }
    uint16_t port() const { return port_; }

  private:
    void serve() {
        fds_.push_back({listener_, POLLIN, 0});
        while (!stop_) {
            if (::poll(fds_.data(), fds_.size(), 50) <= 0) continue;
            for (size_t i = fds_.size(); i-- > 1;) {
                if (!fds_[i].revents) continue;
                char in[1024];
                if (::read(fds_[i].fd, in, sizeof in) <= 0) {
                    ::close(fds_[i].fd);
                    fds_.erase(fds_.begin() + static_cast<std::ptrdiff_t>(i));
                } else if (kind_ == Kind::Garbage) {
                    static const char noise[] = "HTTP/1.0 400 Bad Request\r\n\r\nnot a sign at all";
                    [[maybe_unused]] ssize_t n = ::write(fds_[i].fd, noise, sizeof noise - 1);
                }
            }
            if (fds_[0].revents & POLLIN) {
                const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0 && kind_ == Kind::ClosesAtOnce)
                    ::close(client);
                else if (client >= 0)
                    fds_.push_back({client, POLLIN, 0});
            }
        }
    }

    Kind kind_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::vector<pollfd> fds_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace orb::testing
