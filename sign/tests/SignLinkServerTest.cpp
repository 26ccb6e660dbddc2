// The link server under a shortage the test makes itself: no descriptor left to accept with.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "sign/SignLinkServer.h"

namespace orb {
namespace {

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST(SignLinkServer, OutOfDescriptorsAWaitingClientDoesNotMakeItSpin) {
    std::atomic<bool> stop{false};
    LinkServerOptions options;
    options.tcp = "127.0.0.1:0";
    SignLinkServer server(options, stop);
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    const std::string& address = server.address();
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(std::stoi(address.substr(address.rfind(':') + 1))));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);

    // The thread starts while descriptors are left (sanitizer runtimes may want one as a thread
    // starts or ends), and serves once every descriptor under a lowered limit is taken.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::atomic<bool> started{false}, go{false};
    std::thread serving([&] {
        started = true;
        while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        server.serve([](auto, auto, auto&) { return ResponderTurn{}; }, [] {});
    });
    while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::vector<int> held;
    for (int fd; (fd = ::dup(client)) >= 0;) held.push_back(fd);
    go = true;

    const double before = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double used = cpuSeconds() - before;
    // Descriptors back before the thread ends, for the same runtimes.
    for (int fd : held) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);
    stop = true;
    serving.join();
    ::close(client);
    EXPECT_LT(used, 0.15) << "seconds of CPU in half a second of waiting";
}

}  // namespace
}  // namespace orb
