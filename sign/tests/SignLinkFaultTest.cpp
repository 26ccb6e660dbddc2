// What a hostile or unlucky client does to a sign on its link, for signemu and the virtual sign
// alike, over TCP and a pseudo-terminal: a frame given up half-way, a client that trickles bytes,
// a crowd of silent connections. None of them deafens the sign or keeps a good client out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "link/SignFrame.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kIdleMs = "300";

enum class Program { SignEmu, VirtualSign };
enum class Line { Tcp, Pty };

// The sign under test, serving until the test ends.
struct Sign {
    Sign(Program program, Line line) : device(dir.file("tty")) {
        const std::string on = line == Line::Tcp ? "127.0.0.1:0" : device;
        std::vector<std::string> argv;
        if (program == Program::SignEmu)
            argv = {SIGNEMU_PATH, line == Line::Tcp ? "--tcp" : "--pty", on, "--idle-timeout", kIdleMs};
        else
            argv = {GLIMMER_PATH,
                    "--fonts",
                    ORB_FONT_DIR,
                    "--sign",
                    (line == Line::Tcp ? "tcp:" : "pty:") + on,
                    "--idle-timeout",
                    kIdleMs,
                    "--headless",
                    "--wait-apply",
                    "1000",
                    "--until",
                    "0",
                    "--dump",
                    "-",
                    "--at",
                    "0"};
        process = std::make_unique<testing::ChildProcess>(argv);
        if (line == Line::Tcp) port = process->port();
    }
    testing::TempDir dir;
    std::string device;
    std::unique_ptr<testing::ChildProcess> process;
    int port = 0;
};

// One end of the link: a TCP connection or the pseudo-terminal's line.
class Client {
  public:
    explicit Client(const Sign& sign) {
        if (sign.port == 0) {
            fd_ = ::open(sign.device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            termios t{};
            ::tcgetattr(fd_, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd_, TCSANOW, &t);
            return;
        }
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(sign.port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    }
    ~Client() { ::close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void send(std::span<const uint8_t> bytes) {
        EXPECT_EQ(::write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    void send(const SignFrame& f) { send({f.bytes.data(), f.length}); }
    void askModel() { send(SignFrame::memoryRead(0x4000, 8)); }
    // Whether the model query's answer has come, waiting up to ms for it.
    bool modelAnswered(int ms) {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (got_.size() < 14 && Clock::now() < until) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) != 1) continue;
            uint8_t b[64];
            const ssize_t n = ::read(fd_, b, sizeof b);
            if (n <= 0) break;
            got_.insert(got_.end(), b, b + n);
        }
        return judgeReply(got_, 14, ReplyRules::Tcp) == LinkResult::Ok &&
               std::string(got_.begin() + 4, got_.begin() + 11) == "LEDSign";
    }

  private:
    int fd_ = -1;
    std::vector<uint8_t> got_;
};

std::string nameOf(Program p, Line l) {
    return std::string(p == Program::SignEmu ? "signemu" : "virtual sign") +
           (l == Line::Tcp ? " tcp" : " pty");
}

TEST(SignLinkFaults, AFrameGivenUpHalfWayDoesNotSwallowTheNextOne) {
    for (Program program : {Program::SignEmu, Program::VirtualSign})
        for (Line line : {Line::Tcp, Line::Pty}) {
            SCOPED_TRACE(nameOf(program, line));
            Sign sign(program, line);
            Client c(sign);
            // The start of a 524-byte memory write, then nothing more of it.
            const SignFrame write = SignFrame::memoryWrite(0x280000, std::vector<uint8_t>(512, 0x11));
            c.send({write.bytes.data(), 9});
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            c.askModel();
            EXPECT_TRUE(c.modelAnswered(3000));
        }
}

TEST(SignLinkFaults, AClientTricklingBytesGivesWayToAWaitingOne) {
    for (Program program : {Program::SignEmu, Program::VirtualSign}) {
        SCOPED_TRACE(nameOf(program, Line::Tcp));
        Sign sign(program, Line::Tcp);
        Client slow(sign);
        slow.askModel();
        ASSERT_TRUE(slow.modelAnswered(3000));  // it is the one being served
        Client good(sign);
        good.askModel();
        // A byte every 50 ms, never a whole frame: the idle time of 300 ms still runs out.
        const uint8_t noise = 0x55;
        bool answered = false;
        for (int i = 0; i < 100 && !answered; ++i) {
            slow.send({&noise, 1});
            answered = good.modelAnswered(50);
        }
        EXPECT_TRUE(answered);
    }
}

TEST(SignLinkFaults, SilentConnectionsWaitingInFrontDoNotAddUp) {
    for (Program program : {Program::SignEmu, Program::VirtualSign}) {
        SCOPED_TRACE(nameOf(program, Line::Tcp));
        Sign sign(program, Line::Tcp);
        Client first(sign);
        first.askModel();
        ASSERT_TRUE(first.modelAnswered(3000));
        std::vector<std::unique_ptr<Client>> silent;
        for (int i = 0; i < 30; ++i) silent.push_back(std::make_unique<Client>(sign));
        Client good(sign);
        good.askModel();
        // One after the other they would take 31 x 300 ms; side by side about 300 ms.
        EXPECT_TRUE(good.modelAnswered(4000));
    }
}

}  // namespace
}  // namespace orb
