#include "service/fleet/SignAddress.h"

#include <algorithm>

#include "editor/core/LinkChoice.h"
#include "image/DecimalNumber.h"

namespace orb {

namespace {

constexpr uint32_t kDefaultBaud = 57600;

std::string baudList() {
    std::string text;
    for (uint32_t b : kBaudRates) text += (text.empty() ? "" : ", ") + std::to_string(b);
    return text;
}

// TEXT in quotes for a message, cut short when long.
std::string quoted(std::string_view text) {
    constexpr size_t kShown = 64;
    return "\"" + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

std::optional<SignAddress> refuse(std::string& error, std::string message) {
    error = std::move(message);
    return std::nullopt;
}

std::optional<SignAddress> parseTcp(std::string_view rest, std::string& error) {
    const size_t colon = rest.rfind(':');
    if (colon == std::string_view::npos) return refuse(error, "a TCP link is \"tcp:HOST:PORT\"");
    const auto ip = parseIpText(rest.substr(0, colon));
    if (!ip)
        return refuse(error, "the host of a TCP link is an IPv4 address such as 192.168.0.10, not " +
                                 quoted(rest.substr(0, colon)) + " (names are not looked up)");
    SignAddress a;
    a.tcp = true;
    a.host = dottedAddress(*ip);
    if (!parseTcpPort(std::string(rest.substr(colon + 1)), a.port) || a.port == 0)
        return refuse(error, "the port of a TCP link is a number from 1 to 65535, not " +
                                 quoted(rest.substr(colon + 1)));
    return a;
}

std::optional<SignAddress> parseSerial(std::string_view rest, std::string& error) {
    SignAddress a;
    const size_t at = rest.rfind('@');
    a.device = std::string(rest.substr(0, at));
    if (at != std::string_view::npos) {
        const auto baud = parseDecimal(rest.substr(at + 1), 1, UINT32_MAX);
        if (!baud || std::find(std::begin(kBaudRates), std::end(kBaudRates), *baud) == std::end(kBaudRates))
            return refuse(error, "the speed of a serial link is one of " + baudList() + ", not " +
                                     quoted(rest.substr(at + 1)));
        a.baud = static_cast<uint32_t>(*baud);
    }
    if (a.device.empty() || a.device.front() != '/')
        return refuse(error, "the device of a serial link is an absolute path such as /dev/ttyUSB0");
    if (std::any_of(a.device.begin(), a.device.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return refuse(error, "the device of a serial link holds a control character");
    return a;
}

}  // namespace

std::optional<SignAddress> parseSignAddress(std::string_view text, std::string& error) {
    if (text.starts_with("tcp:")) return parseTcp(text.substr(4), error);
    if (text.starts_with("serial:")) return parseSerial(text.substr(7), error);
    return refuse(error,
                  "a sign's link is \"tcp:HOST:PORT\" or \"serial:DEVICE[@BAUD]\", not " + quoted(text));
}

std::string toText(const SignAddress& a) {
    if (!a.tcp) return linkKey(a) + (a.baud == kDefaultBaud ? "" : "@" + std::to_string(a.baud));
    return linkKey(a);
}

std::string linkKey(const SignAddress& a) {
    return a.tcp ? "tcp:" + a.host + ":" + std::to_string(a.port) : "serial:" + a.device;
}

}  // namespace orb
