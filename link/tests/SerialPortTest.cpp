#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "link/SerialPort.h"
#include "testsupport/Fifo.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

// The other end of a pseudo-terminal plays the sign.
class PseudoLine {
  public:
    PseudoLine() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master);
        ::unlockpt(master);
        device = ::ptsname(master);
    }
    ~PseudoLine() { ::close(master); }
    void put(const std::vector<uint8_t>& bytes) const {
        EXPECT_EQ(::write(master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    int master = -1;
    std::string device;
};

TEST(SerialPort, FetchTakesTheFirstBytesAndDropsTheRest) {
    PseudoLine line;
    SerialPort port;
    ASSERT_TRUE(port.open({line.device, 3, 57600}));
    EXPECT_EQ(port.statusText(), "연결: COM3, 57600 bps");
    ASSERT_TRUE(port.armDeadline(2000));
    line.put({1, 2, 3, 4, 5, 6, 7, 8});
    std::array<uint8_t, 6> six{};
    ASSERT_EQ(port.waitFetch(six), SerialPort::Fetched::Ok);
    EXPECT_EQ(six, (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(port.armDeadline(50));
    EXPECT_EQ(port.fetch(six), SerialPort::Fetched::Waiting);  // the other 2 were dropped
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(port.fetch(six), SerialPort::Fetched::Expired);

    // What the port sends arrives at the other end.
    const std::array<uint8_t, 3> frame{0x02, 0x41, 0x03};
    EXPECT_EQ(port.send(frame), 3u);
    std::array<uint8_t, 3> got{};
    EXPECT_EQ(::read(line.master, got.data(), got.size()), 3);
    EXPECT_EQ(got, frame);
}

TEST(SerialPort, WaitingEndsAtTheDeadlineWithoutSpinning) {
    PseudoLine line;
    SerialPort port;
    ASSERT_TRUE(port.open({line.device, 1, 9600}));
    // The deadline counts from the arming, so the clock starts before it.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(port.armDeadline(150));
    const auto cpuBefore = std::clock();
    std::array<uint8_t, 6> six{};
    EXPECT_EQ(port.waitFetch(six), SerialPort::Fetched::Expired);
    // Not before the deadline; after it by no more than a loaded machine's delay, far below the
    // serial line's 10 s a forgotten deadline would wait.
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(150));
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_LT(double(std::clock() - cpuBefore) / CLOCKS_PER_SEC, 0.05);  // it slept
}

TEST(SerialPort, EveryRateOfTheDialogOpens) {
    for (uint32_t baud : kBaudRates) {
        PseudoLine line;
        SerialPort port;
        EXPECT_TRUE(port.open({line.device, 1, baud, 7, 2, 2})) << baud;
        EXPECT_EQ(port.openError(), "");
    }
}

TEST(SerialPort, WhatIsNotASerialLineIsRefused) {
    SerialPort port;
    EXPECT_FALSE(port.open({"/dev/null"}));
    EXPECT_FALSE(port.open({"/nonexistent/tty"}));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.statusText(), "열린 포트가 없습니다.");
    EXPECT_FALSE(port.armDeadline(10));
    const std::array<uint8_t, 1> b{0};
    EXPECT_EQ(port.send(b), 0u);

    EXPECT_EQ(port.openError(), "/nonexistent/tty: No such file or directory");

    // Refused with what it is.
    testing::TempDir dir;
    testing::Fifo fifo(dir.file("fifo"));
    ASSERT_TRUE(fifo.made());
    testing::writeFileBytes(dir.file("plain"), {1, 2, 3});
    const std::pair<std::string, std::string> refused[] = {
        {fifo.path(), "a FIFO, not a serial line"},
        {dir.path().string(), "a folder, not a serial line"},
        {dir.file("plain"), "a regular file, not a serial line"},
        {"/dev/null", "not a serial line"},
    };
    for (const auto& [path, reason] : refused) {
        EXPECT_FALSE(port.open({path}));
        EXPECT_EQ(port.openError(), path + ": " + reason);
    }

    ::unsetenv("ORB_COM5");
    EXPECT_EQ(deviceOfPort(5), "/dev/ttyS4");
    ::setenv("ORB_COM5", "/dev/ttyUSB0", 1);
    EXPECT_EQ(deviceOfPort(5), "/dev/ttyUSB0");
    ::unsetenv("ORB_COM5");
}

}  // namespace
}  // namespace orb
