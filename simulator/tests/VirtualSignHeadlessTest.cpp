// The virtual sign headless, as a script uses it: orbctl sends to it over TCP, then it plays what
// it was sent on virtual time.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::ChildProcess;
using testing::Outcome;

const std::string kPlay = " --until 16000 --now \"2026-12-08 12:00:00\" --at 0,1000,5000,9000,15000";

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string glimmer() {
    return std::string(GLIMMER_PATH) + " --fonts " + ORB_FONT_DIR;
}

// A headless virtual sign on a free port, dumping its frames into `dump` once it was sent to.
struct HeadlessSign {
    HeadlessSign(const testing::TempDir& dir, const std::string& options)
        : dump(dir.file("sign.txt")), errors(dir.file("sign.err")) {
        process = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/bin/sh", "-c",
                                     "exec " + glimmer() + " --sign tcp:127.0.0.1:0 --headless " + options +
                                         kPlay + " --dump " + dump + " 2>" + errors});
        port = process->port();
    }
    std::string link() const { return "--tcp 127.0.0.1:" + std::to_string(port); }
    // Waits for it to finish playing; its exit code.
    int finish() { return process->wait(); }
    std::string dump, errors;
    std::unique_ptr<ChildProcess> process;
    int port = 0;
};

Outcome orbctl(const std::string& args) {
    return testing::runCommand(std::string(ORBCTL_PATH) + " " + args);
}

// What Glimmer --headless plays from the image orbctl builds for the example.
std::string simulatorFrames(const testing::TempDir& dir) {
    const std::string image = dir.file("preview.tmp"), dump = dir.file("simulator.txt");
    EXPECT_EQ(orbctl(std::string("build ") + EXAMPLE_PROJECT + " -o " + image).status, 0);
    const Outcome r =
        testing::runCommand(glimmer() + " --headless --image " + image + kPlay + " --dump " + dump);
    EXPECT_EQ(r.status, 0) << r.output;
    return fileText(dump);
}

// The example's sign size, then its program: two SignApply frames.
void sendExample(const HeadlessSign& sign) {
    ASSERT_EQ(orbctl("sign " + sign.link() + " size 10 2").status, 0);
    const Outcome sent = orbctl(std::string("send ") + EXAMPLE_PROJECT + " " + sign.link());
    ASSERT_EQ(sent.status, 0) << sent.output;
}

TEST(VirtualSignHeadless, PlaysTheSentExampleAsTheSimulatorPlaysTheBuiltImage) {
    testing::TempDir dir;
    const std::string memory = dir.file("sign.mem");
    HeadlessSign sign(dir, "--wait-apply 2 --memory " + memory);
    ASSERT_GT(sign.port, 0);
    sendExample(sign);
    ASSERT_EQ(sign.finish(), 0) << fileText(sign.errors);
    const std::string expected = simulatorFrames(dir);
    ASSERT_NE(expected.find('Y'), std::string::npos);  // something is lit
    EXPECT_EQ(fileText(sign.dump), expected);

    // Started again on its memory file, it plays the same program without being sent anything.
    ASSERT_EQ(std::filesystem::file_size(memory), 32u << 20);
    const std::string again = dir.file("again.txt");
    const Outcome r = testing::runCommand(glimmer() + " --sign tcp:127.0.0.1:0 --memory " + memory +
                                          " --wait-apply 0 --headless" + kPlay + " --dump " + again);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(fileText(again), expected);
}

TEST(VirtualSignHeadless, IsDarkWithOnOffEnabledOutsideTheOnPeriod) {
    testing::TempDir dir;
    HeadlessSign sign(dir, "--wait-apply 2");
    // 12:00 lies outside 08:00..09:00. The settings frames bring no SignApply: sent first.
    ASSERT_EQ(orbctl("sign " + sign.link() + " onoff 1 08:00 09:00").status, 0);
    sendExample(sign);
    ASSERT_EQ(sign.finish(), 0) << fileText(sign.errors);
    const std::string frames = fileText(sign.dump);
    ASSERT_NE(frames.find("@ 15000"), std::string::npos);
    EXPECT_EQ(frames.find_first_of("RGY"), std::string::npos);
}

TEST(VirtualSignBadInput, AMemoryFileOfTheWrongSizeIsRefusedAndLeftAlone) {
    testing::TempDir dir;
    const std::string memory = dir.file("short.mem");
    std::ofstream(memory, std::ios::binary) << std::string(1000, 'x');
    HeadlessSign sign(dir, "--wait-apply 2 --memory " + memory);
    sendExample(sign);
    ASSERT_EQ(sign.finish(), 0);
    EXPECT_NE(fileText(sign.errors).find("the memory file " + memory + " is not 33554432 bytes long"),
              std::string::npos)
        << fileText(sign.errors);
    EXPECT_EQ(fileText(memory), std::string(1000, 'x'));
    // It still played what it was sent.
    EXPECT_EQ(fileText(sign.dump), simulatorFrames(dir));
}

TEST(VirtualSignBadInput, APortInUseIsNamed) {
    const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    socklen_t length = sizeof a;
    ::getsockname(taken, reinterpret_cast<sockaddr*>(&a), &length);
    const std::string link = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    const Outcome r =
        testing::runCommand(glimmer() + " --sign tcp:" + link + " --headless --until 10 --dump - --at 0");
    ::close(taken);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot listen on " + link), std::string::npos) << r.output;
}

TEST(VirtualSignBadInput, GarbageGetsNoAnswerAndLeavesTheProgramAlone) {
    testing::TempDir dir;
    HeadlessSign sign(dir, "--wait-apply 3");
    sendExample(sign);
    {
        const int c = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(sign.port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        std::string garbage;
        for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 251);
        ASSERT_EQ(::write(c, garbage.data(), garbage.size()), ssize_t(garbage.size()));
        pollfd p{c, POLLIN, 0};
        char reply[64];
        // No answer comes (or the sign hangs up without one).
        EXPECT_TRUE(::poll(&p, 1, 500) == 0 || ::read(c, reply, sizeof reply) <= 0);
        ::close(c);
    }
    // The size again brings the third SignApply; the program is still the one sent.
    ASSERT_EQ(orbctl("sign " + sign.link() + " size 10 2").status, 0);
    ASSERT_EQ(sign.finish(), 0) << fileText(sign.errors);
    EXPECT_EQ(fileText(sign.dump), simulatorFrames(dir));
}

}  // namespace
}  // namespace orb
