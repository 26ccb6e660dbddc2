// signemu stays stoppable and serves the next client whatever the current one does, keeps its
// memory in a file across runs, and refuses a file it cannot keep.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "link/SignFrame.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/NotReplaceable.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using Clock = std::chrono::steady_clock;
using testing::ChildProcess;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A raw TCP client of the emulator on 127.0.0.1.
class Client {
  public:
    explicit Client(int port, bool block = true) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | (block ? 0 : SOCK_NONBLOCK), 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Client() { ::close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    int fd() const { return fd_; }
    bool connected() const { return connected_; }
    void send(const SignFrame& f) { ::send(fd_, f.bytes.data(), f.length, MSG_NOSIGNAL); }
    // Waits up to ms for n bytes.
    std::vector<uint8_t> receive(size_t n, int ms) {
        std::vector<uint8_t> got;
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < n && Clock::now() < until) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) != 1) continue;
            uint8_t b[1024];
            const ssize_t r = ::recv(fd_, b, std::min(sizeof b, n - got.size()), 0);
            if (r <= 0) break;
            got.insert(got.end(), b, b + r);
        }
        return got;
    }
    // True when the model query is answered within ms.
    bool answersModel(int ms) {
        send(SignFrame::memoryRead(0x4000, 8));
        return judgeReply(receive(14, ms), 14, ReplyRules::Tcp) == LinkResult::Ok;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

// signemu on a free port with its stderr in `errors`.
struct SignEmu {
    SignEmu(const testing::TempDir& dir, const std::string& options) : errors(dir.file("signemu.err")) {
        process = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/bin/sh", "-c",
            std::string("exec ") + SIGNEMU_PATH + " --tcp 127.0.0.1:0 " + options + " 2>" + errors});
        port = process->port();
    }
    // Stops it and says how long that took.
    double stopSeconds(int& code) {
        const auto start = Clock::now();
        code = process->stop();
        return secondsSince(start);
    }
    std::string errors;
    std::unique_ptr<ChildProcess> process;
    int port = 0;
};

TEST(SignEmuClients, AClientThatNeverReadsIsDroppedAndTheNextOneServed) {
    testing::TempDir dir;
    SignEmu emu(dir, "");
    Client hog(emu.port);
    const int small = 4096;
    ::setsockopt(hog.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    // Each query asks for 518 bytes of answer that are never read.
    const SignFrame query = SignFrame::memoryRead(0x280000, 512);
    const auto start = Clock::now();
    for (int i = 0; i < 200000 && secondsSince(start) < 3; ++i)
        if (::send(hog.fd(), query.bytes.data(), query.length, MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
            errno != EAGAIN)
            break;  // dropped
    Client next(emu.port);
    EXPECT_TRUE(next.answersModel(3000));
    int code = 0;
    EXPECT_LT(emu.stopSeconds(code), 1.0);
    EXPECT_EQ(code, 0);
}

TEST(SignEmuClients, ASilentClientGivesWayToAWaitingOne) {
    testing::TempDir dir;
    SignEmu emu(dir, "--idle-timeout 300");
    Client silent(emu.port);
    ASSERT_TRUE(silent.answersModel(1000));  // it is the one being served
    Client next(emu.port);
    const auto start = Clock::now();
    EXPECT_TRUE(next.answersModel(3000));
    EXPECT_LT(secondsSince(start), 2.0);
}

TEST(SignEmuClients, ManyClientsConnectingAtOnceAllGetThrough) {
    testing::TempDir dir;
    SignEmu emu(dir, "");
    Client busy(emu.port);
    ASSERT_TRUE(busy.answersModel(1000));  // the emulator is serving this one and accepts no other
    std::vector<std::unique_ptr<Client>> waiting;
    for (int i = 0; i < 40; ++i) waiting.push_back(std::make_unique<Client>(emu.port, false));
    // A handshake the listen queue has no room for is retried only after a second.
    int through = 0;
    for (auto& c : waiting) {
        pollfd p{c->fd(), POLLOUT, 0};
        int error = -1;
        socklen_t size = sizeof error;
        if (::poll(&p, 1, 700) == 1 && ::getsockopt(c->fd(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
            error == 0)
            ++through;
    }
    EXPECT_EQ(through, 40);
}

TEST(SignEmuStopping, SigtermEndsItPromptlyWhenNobodyReadsThePseudoTerminal) {
    testing::TempDir dir;
    const std::string tty = dir.file("tty");
    ChildProcess emu({SIGNEMU_PATH, "--pty", tty});
    const int line = ::open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(line, 0);
    termios t{};
    ::tcgetattr(line, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(line, TCSANOW, &t);
    // Queries whose answers fill the line's buffer, never read.
    const SignFrame query = SignFrame::memoryRead(0x280000, 512);
    const auto start = Clock::now();
    for (int i = 0; i < 2000 && secondsSince(start) < 2; ++i) {
        if (::write(line, query.bytes.data(), query.length) < 0 && errno == EAGAIN) ::usleep(1000);
    }
    ::usleep(300 * 1000);
    const auto stopping = Clock::now();
    emu.stop();
    EXPECT_LT(secondsSince(stopping), 1.0);
    ::close(line);
}

TEST(SignEmuStopping, SigtermEndsItPromptlyWhileItDelaysAnAnswer) {
    testing::TempDir dir;
    SignEmu emu(dir, "--delay 60000");
    Client c(emu.port);
    c.send(SignFrame::memoryRead(0x4000, 8));
    ::usleep(300 * 1000);
    int code = 0;
    EXPECT_LT(emu.stopSeconds(code), 1.5);
    EXPECT_EQ(code, 0);
}

TEST(SignEmuStopping, AMemoryFileThatCannotBeWrittenIsReportedWithExitOne) {
    testing::TempDir dir;
    const std::string memory = dir.file("sign.mem");
    SignEmu emu(dir, "--memory " + memory);
    // Taken over by a folder after the start.
    std::filesystem::remove(memory);
    std::filesystem::create_directory(memory);
    {
        Client c(emu.port);
        c.send(SignFrame::apply());
        EXPECT_EQ(c.receive(6, 2000).size(), 6u);  // still acknowledged
    }
    int code = 0;
    emu.stopSeconds(code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(testing::readFileText(emu.errors).find("cannot save the memory to " + memory),
              std::string::npos)
        << testing::readFileText(emu.errors);
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(e.path() == memory || e.path().filename() == "signemu.err") << e.path();
}

// The bytes at an address, read over the link.
std::vector<uint8_t> readBack(Client& c, uint32_t address, uint16_t n) {
    c.send(SignFrame::memoryRead(address, n));
    const std::vector<uint8_t> reply = c.receive(n + 6u, 2000);
    if (judgeReply(reply, n + 6u, ReplyRules::Tcp) != LinkResult::Ok) return {};
    return {reply.begin() + 4, reply.end() - 2};
}

TEST(SignEmuMemory, KeepsTheMemoryAcrossRuns) {
    testing::TempDir dir;
    const std::string memory = dir.file("sign.mem");
    const std::vector<uint8_t> program = {7, 1, 2, 3};
    {
        SignEmu emu(dir, "--memory " + memory);
        EXPECT_EQ(std::filesystem::file_size(memory), 32u << 20);  // made at the start
        Client c(emu.port);
        c.send(SignFrame::memoryWrite(0x280000, program));
        EXPECT_EQ(c.receive(6, 2000).size(), 6u);
        c.send(SignFrame::apply());
        EXPECT_EQ(c.receive(6, 2000).size(), 6u);
    }
    SignEmu again(dir, "--memory " + memory);
    Client c(again.port);
    EXPECT_EQ(readBack(c, 0x280000, 4), program);
}

TEST(SignEmuMemory, WhatItCannotKeepIsRefusedBeforeServingAndLeftAlone) {
    testing::TempDir dir;
    std::vector<std::string> refused = testing::pathsNotToReplace(dir, 32u << 20);
    testing::writeFileBytes(dir.file("short"), std::vector<uint8_t>(1000, 'x'));
    refused.push_back(dir.file("short"));
    const std::string others = testing::othersFile(dir, 32u << 20);
    const std::string start = "timeout 10 " + std::string(SIGNEMU_PATH) + " --tcp 127.0.0.1:0 --memory ";
    for (const std::string& path : refused) {
        const std::string before = testing::stateOf(path);
        const testing::Outcome r = testing::runCommand(start + path);
        EXPECT_EQ(r.status, 2) << path << ": " << r.output;
        const std::string why =
            path == dir.file("short") ? "not 33554432 bytes long" : "not a writable regular file";
        EXPECT_EQ(r.output, "signemu: the memory file " + path + " is " + why + "\n");
        EXPECT_EQ(testing::stateOf(path), before) << path;
    }
    if (others.empty()) return;
    const std::string before = testing::stateOf(others);
    const testing::Outcome r = testing::runCommand(testing::asOrdinaryUser(start + others));
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("is not a writable regular file"), std::string::npos) << r.output;
    EXPECT_EQ(testing::stateOf(others), before);
}

TEST(SignEmuMemory, ASaveKilledHalfWayLeavesNothingAfterTheNextStart) {
    testing::TempDir dir;
    const std::string memory = dir.file("sign.mem");
    testing::writeFileBytes(dir.file("sign.mem.Glimmer-abc123"), {1});  // another program's
    auto leftovers = [&] {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            n += e.path().filename().string().rfind("sign.mem.signemu-", 0) == 0;
        return n;
    };
    for (int attempt = 0; attempt < 5 && leftovers() == 0; ++attempt) {
        SignEmu emu(dir, "--memory " + memory);
        Client c(emu.port, false);
        // Each SignApply saves the 32 MiB: killed while one is being written.
        const SignFrame apply = SignFrame::apply();
        for (int i = 0; i < 5000 && leftovers() == 0; ++i) {
            ::send(c.fd(), apply.bytes.data(), apply.length, MSG_NOSIGNAL);
            ::usleep(1000);
        }
        emu.process->stop(SIGKILL);
    }
    ASSERT_GT(leftovers(), 0) << "no save was caught half-way";
    SignEmu again(dir, "--memory " + memory);
    EXPECT_EQ(leftovers(), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("sign.mem.Glimmer-abc123")));
}

}  // namespace
}  // namespace orb

namespace {

orb::testing::Outcome signemu(const std::string& options) {
    return orb::testing::runCommand("timeout 20 " + std::string(SIGNEMU_PATH) + " " + options);
}

}  // namespace

TEST(SignEmuCommandLine, HelpNamesEveryOptionAndEndsWithZero) {
    const orb::testing::Outcome r = signemu("--help");
    EXPECT_EQ(r.status, 0) << r.output;
    for (const char* option :
         {"--tcp", "--pty", "--memory", "--model", "--log", "--line-rate", "--idle-timeout",
          "--no-answer-after", "--bad-sum-after", "--no-etx", "--delay", "--delay-frame", "--close-after",
          "--corrupt-write", "--corrupt-from"})
        EXPECT_NE(r.output.find(option), std::string::npos) << option;
}

TEST(SignEmuCommandLine, UnknownOptionsBadAddressesAndTwoLinksAreUsageErrors) {
    orb::testing::Outcome r = signemu("--tcp 127.0.0.1:0 --no-such-option");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("--no-such-option"), std::string::npos) << r.output;
    r = signemu("--tcp 127.0.0.1:99999");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("--tcp"), std::string::npos) << r.output;
    EXPECT_EQ(signemu("--tcp 127.0.0.1:0 --pty /tmp/none").status, 2);
    EXPECT_EQ(signemu("").status, 2);
    r = signemu("--tcp 127.0.0.1:0 --log /no/such/folder/sign.log");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(
        r.output.find("signemu: cannot open the log /no/such/folder/sign.log: No such file or directory"),
        std::string::npos)
        << r.output;
    r = signemu("--tcp 127.0.0.1:0 --corrupt-write 2147483648");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("--corrupt-write needs a number from 0 to 2147483647"), std::string::npos)
        << r.output;
}
