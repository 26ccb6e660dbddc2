#include "service/fleet/SignAddress.h"

#include <gtest/gtest.h>

namespace orb {
namespace {

TEST(SignAddress, ReadsTcpAndSerialLinksAndWritesThemBack) {
    std::string error;
    const auto tcp = parseSignAddress("tcp:192.168.010.7:5000", error);
    ASSERT_TRUE(tcp) << error;
    EXPECT_TRUE(tcp->tcp);
    EXPECT_EQ(tcp->host, "192.168.10.7");
    EXPECT_EQ(tcp->port, 5000);
    EXPECT_EQ(toText(*tcp), "tcp:192.168.10.7:5000");
    EXPECT_EQ(linkKey(*tcp), "tcp:192.168.10.7:5000");

    const auto serial = parseSignAddress("serial:/dev/ttyUSB0@115200", error);
    ASSERT_TRUE(serial) << error;
    EXPECT_FALSE(serial->tcp);
    EXPECT_EQ(serial->device, "/dev/ttyUSB0");
    EXPECT_EQ(serial->baud, 115200u);
    EXPECT_EQ(toText(*serial), "serial:/dev/ttyUSB0@115200");
    EXPECT_EQ(linkKey(*serial), "serial:/dev/ttyUSB0");  // one line, whatever the speed

    const auto plain = parseSignAddress("serial:/dev/serial/by-id/usb-FTDI@x_1@9600", error);
    ASSERT_TRUE(plain) << error;
    EXPECT_EQ(plain->device, "/dev/serial/by-id/usb-FTDI@x_1");
    EXPECT_EQ(toText(*parseSignAddress("serial:/dev/ttyS0", error)), "serial:/dev/ttyS0");
    EXPECT_EQ(parseSignAddress("serial:/dev/ttyS0", error)->baud, 57600u);
}

TEST(SignAddress, RefusesWhatTheLinksCannotUseWithAMessage) {
    const std::pair<const char*, const char*> refused[] = {
        {"", "a sign's link is \"tcp:HOST:PORT\" or \"serial:DEVICE[@BAUD]\", not \"\""},
        {"udp:1.2.3.4:5", "a sign's link is"},
        {"tcp:1.2.3.4", "a TCP link is \"tcp:HOST:PORT\""},
        {"tcp:sign.example:5000",
         "an IPv4 address such as 192.168.0.10, not \"sign.example\" (names are not looked up)"},
        {"tcp:[::1]:5000", "an IPv4 address"},
        {"tcp:1.2.3.256:5000", "an IPv4 address"},
        {"tcp:1.2.3.4:0", "a number from 1 to 65535, not \"0\""},
        {"tcp:1.2.3.4:65536", "a number from 1 to 65535"},
        {"tcp:1.2.3.4:+80", "a number from 1 to 65535"},
        {"serial:", "an absolute path"},
        {"serial:ttyS0", "an absolute path"},
        {"serial:/dev/ttyS0@14401",
         "one of 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200, not \"14401\""},
        {"serial:/dev/ttyS0@", "one of 1200"},
        {"serial:/dev/tty\nS0", "a control character"},
    };
    for (const auto& [text, message] : refused) {
        std::string error;
        EXPECT_FALSE(parseSignAddress(text, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << ": " << error;
    }
    std::string error;
    parseSignAddress("tcp:" + std::string(500, 'x') + ":1", error);
    EXPECT_LT(error.size(), 200u);  // a long text is cut in the message
}

}  // namespace
}  // namespace orb
