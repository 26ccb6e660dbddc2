#include "editor/core/LinkChoice.h"

#include <cstdio>

namespace orb {

LinkChoice linkFromSettings(const SettingsBlock& s) {
    LinkChoice link;
    link.tcp = s.linkMode() == LinkMode::Tcp;
    const auto ip = s.ipAddress();
    link.host = dottedAddress(ip);
    link.port = s.tcpPort();
    link.serial.portNumber = s.comPort();
    link.serial.device = deviceOfPort(s.comPort());
    return link;
}

bool openLink(const LinkChoice& choice, OpenLink& open) {
    if (choice.tcp) {
        open.tcp.setPeer(choice.host, choice.port);
        open.link.useTcp(open.tcp);
        return true;
    }
    const bool opened = open.serial.open(choice.serial);
    open.link.useSerial(open.serial);
    return opened;
}

namespace {

// Decimal digits only, at most MAX_DIGITS of them, for a value up to LIMIT.
bool parseNumber(const std::string& text, size_t maxDigits, unsigned long limit, unsigned long& out) {
    if (text.empty() || text.size() > maxDigits || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stoul(text);
    return out <= limit;
}

}  // namespace

bool parseIpAddress(const std::string& text, std::array<uint8_t, 4>& out) {
    std::array<uint8_t, 4> ip{};
    size_t from = 0;
    for (size_t i = 0; i < ip.size(); ++i) {
        const size_t dot = i + 1 < ip.size() ? text.find('.', from) : text.size();
        if (dot == std::string::npos) return false;
        unsigned long value = 0;
        if (!parseNumber(text.substr(from, dot - from), 3, 255, value)) return false;
        ip[i] = static_cast<uint8_t>(value);
        from = dot + 1;
    }
    out = ip;
    return true;
}

bool parseTcpPort(const std::string& text, uint16_t& out) {
    unsigned long value = 0;
    if (!parseNumber(text, 5, 65535, value)) return false;
    out = static_cast<uint16_t>(value);
    return true;
}

std::string dottedAddress(const std::array<uint8_t, 4>& ip) {
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
           std::to_string(ip[3]);
}

std::string serialStatusText(int portNumber, uint32_t baud) {
    char text[64];
    std::snprintf(text, sizeof text, "연결: COM%d, %u bps", portNumber, baud);
    return text;
}

std::string tcpStatusText(const std::array<uint8_t, 4>& ip, uint16_t port, bool afterLinkCommand) {
    char text[80];
    std::snprintf(text, sizeof text, "[IP:%d.%d.%d.%d],%s[PORT:%d]", ip[0], ip[1], ip[2], ip[3],
                  afterLinkCommand ? "   " : "  ", port);
    return text;
}

}  // namespace orb
