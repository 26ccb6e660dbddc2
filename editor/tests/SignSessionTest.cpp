// The editor's sign session: one command at a time on its own thread, its progress and cancel,
// the link pointed only while idle; and the IP settings' strict parsers.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "editor/core/SignSession.h"
#include "testsupport/ChildProcess.h"

namespace orb {
namespace {

// Waits for a session's FINISHED call.
struct Finished {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::function<void()> callback() {
        return [this] {
            std::lock_guard lock(m);
            done = true;
            cv.notify_all();
        };
    }
    bool wait() {
        std::unique_lock lock(m);
        return cv.wait_for(lock, std::chrono::seconds(20), [this] { return done; });
    }
};

TEST(SignSession, OneCommandAtATimeAndTheLinkStaysWhileItRuns) {
    SignSession session;
    std::mutex gate;
    gate.lock();
    Finished f;
    ASSERT_TRUE(session.start(
        [&](SignLink&, const SignSession::Control& c) {
            c.progress(3, 10);
            std::lock_guard wait(gate);
            return CommandOutcome{true, "done", "ok"};
        },
        f.callback()));
    EXPECT_TRUE(session.running());
    EXPECT_FALSE(session.start([](SignLink&, const SignSession::Control&) { return CommandOutcome{}; }, {}));
    EXPECT_FALSE(session.useTcp("127.0.0.1", 1));
    SerialSettings s;
    s.device = "/dev/null";
    EXPECT_FALSE(session.openSerial(s));
    for (int i = 0; i < 1000 && session.progress().done != 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(session.progress().done, 3);
    EXPECT_EQ(session.progress().total, 10);
    gate.unlock();
    ASSERT_TRUE(f.wait());
    const CommandOutcome out = session.take();
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.message, "done");
    EXPECT_FALSE(session.running());
    EXPECT_TRUE(session.useTcp("127.0.0.1", 1));
}

TEST(SignSession, CancelReachesTheCommandAndTheReadBackHasItsOwnCount) {
    SignSession session;
    Finished f;
    ASSERT_TRUE(session.start(
        [](SignLink&, const SignSession::Control& c) {
            c.progress(10, 10);
            c.verifyProgress(1, 4);
            while (!c.cancel->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return CommandOutcome{false, "전송을 취소했습니다", "전송실패"};
        },
        f.callback()));
    for (int i = 0; i < 2000 && !session.progress().verifying; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const SessionProgress p = session.progress();
    EXPECT_TRUE(p.verifying);
    EXPECT_EQ(p.done, 1);
    EXPECT_EQ(p.total, 4);
    session.cancel();
    ASSERT_TRUE(f.wait());
    EXPECT_EQ(session.take().message, "전송을 취소했습니다");
}

TEST(SignSession, CommandsOnALinkThatIsNotThereFailAtOnce) {
    SignSession session;
    SerialSettings s;
    s.device = "/nonexistent/tty";
    EXPECT_FALSE(session.openSerial(s));
    EXPECT_EQ(session.serialStatusText(), "열린 포트가 없습니다.");
    for (SignSession::Job job : {clockJob(), sizeJob(6, 1), brightnessJob(0)}) {
        Finished f;
        ASSERT_TRUE(session.start(job, f.callback()));
        ASSERT_TRUE(f.wait());
        EXPECT_FALSE(session.take().ok);
    }
}

TEST(SignSession, ADestroyedSessionStopsItsTransferAfterTheFrame) {
    auto session = std::make_unique<SignSession>();
    std::atomic<int> frames{0};
    std::atomic<bool> sawCancel{false};
    ASSERT_TRUE(session->start(
        [&](SignLink&, const SignSession::Control& c) {
            // Gives up after 5 s, so that a destructor that does not cancel fails the test.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!c.cancel->load() && std::chrono::steady_clock::now() < end) {
                ++frames;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            sawCancel = c.cancel->load();
            return CommandOutcome{};
        },
        {}));
    while (frames < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    session.reset();  // joins
    EXPECT_TRUE(sawCancel);
}

TEST(LinkChoiceParse, AddressesAreFourNumbersUpTo255) {
    EXPECT_EQ(parseIpText("10.1.2.3"), (std::array<uint8_t, 4>{10, 1, 2, 3}));
    EXPECT_EQ(parseIpText("255.255.255.0"), (std::array<uint8_t, 4>{255, 255, 255, 0}));
    for (const char* bad : {"999.1.1.1", "256.0.0.0", "1.2.3", "1.2.3.4.5", "", "1..2.3", "a.b.c.d", "1.2.3.",
                            " 1.2.3.4", "0001.2.3.4", "1.2.3.4 "})
        EXPECT_FALSE(parseIpText(bad)) << bad;
    EXPECT_EQ(dottedAddress({192, 168, 0, 7}), "192.168.0.7");
}

TEST(LinkChoiceParse, PortsAre0To65535) {
    uint16_t port = 7;
    EXPECT_TRUE(parseTcpPort("0", port));
    EXPECT_EQ(port, 0);
    EXPECT_TRUE(parseTcpPort("65535", port));
    EXPECT_EQ(port, 65535);
    for (const char* bad : {"", "65536", "99999", "-1", "12a", "123456"}) {
        EXPECT_FALSE(parseTcpPort(bad, port)) << bad;
        EXPECT_EQ(port, 65535);
    }
}

}  // namespace
}  // namespace orb
