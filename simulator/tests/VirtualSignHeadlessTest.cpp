// The virtual sign headless, as a script uses it: orbctl sends to it over TCP or a
// pseudo-terminal, then it plays what it was sent on virtual time.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "testsupport/ChildProcess.h"
#include "testsupport/NotReplaceable.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::ChildProcess;
using testing::Outcome;
using testing::readFileText;

const std::string kNow = "2026-12-08 12:00:00";

// Virtual time 0 at `now`, and the frames compared.
std::string play(const std::string& now = kNow) {
    return " --until 16000 --now \"" + now + "\" --at 0,1000,5000,9000,15000";
}
const std::string kPlay = play();

std::string glimmer() {
    return std::string(GLIMMER_PATH) + " --fonts " + ORB_FONT_DIR;
}

// A headless virtual sign on a free port (or a pseudo-terminal in the test's folder), dumping its
// frames into `dump` once it was sent to.
struct HeadlessSign {
    HeadlessSign(const testing::TempDir& dir, const std::string& options, bool pty = false)
        : dump(dir.file("sign.txt")), errors(dir.file("sign.err")), device(pty ? dir.file("sign-tty") : "") {
        const std::string on = pty ? "pty:" + device : "tcp:127.0.0.1:0";
        process = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/bin/sh", "-c",
                                     "exec " + glimmer() + " --sign " + on + " --headless " + options +
                                         kPlay + " --dump " + dump + " 2>" + errors});
        if (!pty) port = process->port();
    }
    std::string link() const {
        return device.empty() ? "--tcp 127.0.0.1:" + std::to_string(port) : "--serial " + device;
    }
    // Waits for it to finish playing; its exit code.
    int finish() { return process->wait(); }
    std::string dump, errors, device;
    std::unique_ptr<ChildProcess> process;
    int port = 0;
};

Outcome orbctl(const std::string& args) {
    return testing::runCommand(std::string(ORBCTL_PATH) + " " + args);
}

// What Glimmer --headless plays from the image orbctl builds for the project, virtual time 0 at `now`.
std::string simulatorFrames(const testing::TempDir& dir, const std::string& project = EXAMPLE_PROJECT,
                            const std::string& now = kNow) {
    static int runs = 0;
    const std::string name = "simulator" + std::to_string(++runs);
    const std::string image = dir.file(name + ".tmp"), dump = dir.file(name + ".txt");
    EXPECT_EQ(orbctl("build " + project + " -o " + image).status, 0);
    const Outcome r =
        testing::runCommand(glimmer() + " --headless --image " + image + play(now) + " --dump " + dump);
    EXPECT_EQ(r.status, 0) << r.output;
    return readFileText(dump);
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
    ASSERT_EQ(sign.finish(), 0) << readFileText(sign.errors);
    const std::string expected = simulatorFrames(dir);
    ASSERT_NE(expected.find('Y'), std::string::npos);  // something is lit
    EXPECT_EQ(readFileText(sign.dump), expected);

    // Started again on its memory file, it plays the same program without being sent anything.
    ASSERT_EQ(std::filesystem::file_size(memory), 32u << 20);
    const std::string again = dir.file("again.txt");
    const Outcome r = testing::runCommand(glimmer() + " --sign tcp:127.0.0.1:0 --memory " + memory +
                                          " --wait-apply 0 --headless" + kPlay + " --dump " + again);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(readFileText(again), expected);
}

TEST(VirtualSignHeadless, IsDarkWithOnOffEnabledOutsideTheOnPeriod) {
    testing::TempDir dir;
    HeadlessSign sign(dir, "--wait-apply 2");
    // 12:00 lies outside 08:00..09:00. The settings frames bring no SignApply: sent first.
    ASSERT_EQ(orbctl("sign " + sign.link() + " onoff 1 08:00 09:00").status, 0);
    sendExample(sign);
    ASSERT_EQ(sign.finish(), 0) << readFileText(sign.errors);
    const std::string frames = readFileText(sign.dump);
    ASSERT_NE(frames.find("@ 15000"), std::string::npos);
    EXPECT_EQ(frames.find_first_of("RGY"), std::string::npos);
}

TEST(VirtualSignHeadless, PlaysTheExampleSentOverAPseudoTerminal) {
    testing::TempDir dir;
    HeadlessSign sign(dir, "--wait-apply 2", true);
    ASSERT_NE(sign.process->firstLine().find(sign.device), std::string::npos) << sign.process->firstLine();
    sendExample(sign);
    ASSERT_EQ(sign.finish(), 0) << readFileText(sign.errors);
    const std::string expected = simulatorFrames(dir);
    ASSERT_NE(expected.find('Y'), std::string::npos);
    EXPECT_EQ(readFileText(sign.dump), expected);
    // The link it made is gone with it.
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sign.device)));
}

// A project of one item: a clock on a 6 x 1 sign.
std::string clockProject(const testing::TempDir& dir) {
    const std::string json = dir.file("clock.json"), project = dir.file("clock.dat");
    std::ofstream(json) << R"({"version": 1, "sign": {"width": 6, "height": 1}, "items": [
        {"layout": "one", "heights": [1], "lines": [{"kind": "clock", "holdTime": 10}]}]})";
    const Outcome r = orbctl("import " + json + " -o " + project);
    EXPECT_EQ(r.status, 0) << r.output;
    return project;
}

// The settings orbctl sends act on what the sign plays: its clock, and which items its
// display-window mode lets through.
TEST(VirtualSignHeadlessSettings, SetClockMovesTheTimeAClockItemShows) {
    testing::TempDir dir;
    const std::string project = clockProject(dir);
    const std::string at = "2031-03-04 07:08:09";
    HeadlessSign sign(dir, "--wait-apply 2");
    // SetClock brings no SignApply: it goes first, so the program starts on the sign's time.
    ASSERT_EQ(orbctl("sign " + sign.link() + " clock --at \"" + at + "\"").status, 0);
    ASSERT_EQ(orbctl("sign " + sign.link() + " size 6 1").status, 0);
    ASSERT_EQ(orbctl("send " + project + " " + sign.link()).status, 0);
    ASSERT_EQ(sign.finish(), 0) << readFileText(sign.errors);
    const std::string expected = simulatorFrames(dir, project, at);
    ASSERT_NE(expected, simulatorFrames(dir, project, kNow));  // the clock shows the time
    EXPECT_EQ(readFileText(sign.dump), expected);
}

TEST(VirtualSignHeadlessSettings, WindowModeOneSkipsTheItemOutsideItsWindowAtTheSignsTime) {
    // The example's first item plays from 09:00 to 18:00, the others all day.
    testing::TempDir dir;
    const std::string withoutFirst = dir.file("rest.dat");
    std::filesystem::copy_file(EXAMPLE_PROJECT, withoutFirst);
    ASSERT_EQ(orbctl("delete " + withoutFirst + " 1").status, 0);
    struct Case {
        std::string clock, project;
    };
    for (const Case& c :
         {Case{"2026-12-08 20:00:00", withoutFirst}, Case{"2026-12-08 10:00:00", EXAMPLE_PROJECT}}) {
        testing::TempDir run;
        HeadlessSign sign(run, "--wait-apply 3");
        ASSERT_EQ(orbctl("sign " + sign.link() + " clock --at \"" + c.clock + "\"").status, 0);
        sendExample(sign);
        // The mode's SignApply is the third.
        ASSERT_EQ(orbctl("sign " + sign.link() + " window 1").status, 0);
        ASSERT_EQ(sign.finish(), 0) << readFileText(sign.errors);
        EXPECT_EQ(readFileText(sign.dump), simulatorFrames(run, c.project, c.clock)) << c.clock;
    }
    // Skipping the first item shows in these frames.
    ASSERT_NE(simulatorFrames(dir, withoutFirst, "2026-12-08 20:00:00"),
              simulatorFrames(dir, EXAMPLE_PROJECT, "2026-12-08 20:00:00"));
}

TEST(VirtualSignBadInput, AMemoryFileOfTheWrongSizeIsRefusedAndLeftAlone) {
    testing::TempDir dir;
    const std::string memory = dir.file("short.mem");
    std::ofstream(memory, std::ios::binary) << std::string(1000, 'x');
    HeadlessSign sign(dir, "--wait-apply 2 --memory " + memory);
    sendExample(sign);
    ASSERT_EQ(sign.finish(), 0);
    EXPECT_NE(readFileText(sign.errors).find("the memory file " + memory + " is not 33554432 bytes long"),
              std::string::npos)
        << readFileText(sign.errors);
    EXPECT_EQ(readFileText(memory), std::string(1000, 'x'));
    // It still played what it was sent.
    EXPECT_EQ(readFileText(sign.dump), simulatorFrames(dir));
}

// The check signemu makes, with the same words: the sign starts empty and leaves the file alone.
TEST(VirtualSignBadInput, AMemoryFileThatIsNotAWritableRegularFileIsRefusedAndLeftAlone) {
    testing::TempDir dir;
    for (const std::string& memory : testing::pathsNotToReplace(dir, 32u << 20)) {
        const std::string before = testing::stateOf(memory);
        const Outcome r =
            testing::runCommand("timeout 20 " + glimmer() + " --sign tcp:127.0.0.1:0 --memory " + memory +
                                " --wait-apply 0 --headless --until 0 --dump - --at 0");
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("Glimmer: the memory file " + memory +
                                " is not a writable regular file; the sign starts empty and leaves it alone"),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(testing::stateOf(memory), before) << memory;
    }
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
    ASSERT_EQ(sign.finish(), 0) << readFileText(sign.errors);
    EXPECT_EQ(readFileText(sign.dump), simulatorFrames(dir));
}

}  // namespace
}  // namespace orb
