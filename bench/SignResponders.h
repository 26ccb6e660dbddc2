#pragma once
// Many signs answered by one child process on loopback, for the benchmarks of the sign network:
// each port answers as a sign of its own, with the link layer's responder.
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <netinet/in.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sign/SignResponder.h"

namespace orb::testing {

// Answers on COUNT loopback ports, each connection with a responder of its own (from a pool: a
// responder keeps 32 MiB of memory); the ports go to OUT. Ends when STOP is readable.
[[noreturn]] inline void serveSigns(int count, int out, int stop) {
    std::vector<pollfd> fds{{stop, POLLIN, 0}};
    std::vector<uint16_t> ports;
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0) ::_exit(1);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
        ports.push_back(ntohs(a.sin_port));
        fds.push_back({fd, POLLIN, 0});
    }
    const size_t listeners = fds.size();
    // Made before the ports are told: zeroing a responder's 32 MiB while checks wait would make them
    // miss the reply limit. The runner has at most 8 links open.
    std::vector<std::unique_ptr<SignResponder>> pool, byClient;  // byClient: beside fds past the listeners
    for (int i = 0; i < 10; ++i) pool.push_back(std::make_unique<SignResponder>());
    if (::write(out, ports.data(), ports.size() * 2) != static_cast<ssize_t>(ports.size() * 2)) ::_exit(1);
    std::vector<uint8_t> answer;
    std::vector<std::string> log;
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0) continue;
        if (fds[0].revents) ::_exit(0);
        for (size_t i = fds.size(); i-- > listeners;) {
            if (!fds[i].revents) continue;
            uint8_t in[1024];
            const ssize_t n = ::read(fds[i].fd, in, sizeof in);
            auto& sign = byClient[i - listeners];
            answer.clear();
            log.clear();
            if (n > 0 && sign->feed({in, static_cast<size_t>(n)}, Arrival::Continuing, answer, log).keep &&
                ::write(fds[i].fd, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()))
                continue;
            ::close(fds[i].fd);
            sign->reconnected();
            pool.push_back(std::move(sign));
            fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
            byClient.erase(byClient.begin() + static_cast<std::ptrdiff_t>(i - listeners));
        }
        for (size_t i = 1; i < listeners; ++i) {
            if (!fds[i].revents) continue;
            const int client = ::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            if (pool.empty()) pool.push_back(std::make_unique<SignResponder>());
            byClient.push_back(std::move(pool.back()));
            pool.pop_back();
            fds.push_back({client, POLLIN, 0});
        }
    }
}

// COUNT answering signs in a child process, stopped when this ends; ports() is empty when they
// could not be started.
class SignResponders {
  public:
    explicit SignResponders(int count) {
        int portPipe[2];
        if (::pipe(portPipe) != 0 || ::pipe(stop_) != 0) return;
        child_ = ::fork();
        if (child_ == 0) {
            ::close(portPipe[0]);
            ::close(stop_[1]);
            serveSigns(count, portPipe[1], stop_[0]);
        }
        ::close(portPipe[1]);
        ::close(stop_[0]);
        std::vector<uint16_t> ports(static_cast<size_t>(count));
        size_t got = 0;
        while (got < ports.size() * 2) {
            const ssize_t n =
                ::read(portPipe[0], reinterpret_cast<char*>(ports.data()) + got, ports.size() * 2 - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        ::close(portPipe[0]);
        if (got == ports.size() * 2) ports_ = std::move(ports);
    }
    ~SignResponders() {
        if (child_ <= 0) return;
        ::close(stop_[1]);
        ::waitpid(child_, nullptr, 0);
    }
    SignResponders(const SignResponders&) = delete;
    SignResponders& operator=(const SignResponders&) = delete;

    const std::vector<uint16_t>& ports() const { return ports_; }

  private:
    pid_t child_ = -1;
    int stop_[2] = {-1, -1};
    std::vector<uint16_t> ports_;
};

}  // namespace orb::testing
