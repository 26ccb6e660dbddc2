#include "editor/core/LinkChoice.h"

#include <cstdio>

#include "image/DecimalNumber.h"

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

std::optional<std::array<uint8_t, 4>> parseIpText(std::string_view text) {
    std::array<uint8_t, 4> ip{};
    size_t from = 0;
    for (size_t i = 0; i < ip.size(); ++i) {
        const size_t dot = i + 1 < ip.size() ? text.find('.', from) : text.size();
        if (dot == std::string_view::npos || dot - from > 3) return std::nullopt;
        const auto value = parseDecimal(text.substr(from, dot - from), 0, 255);
        if (!value) return std::nullopt;
        ip[i] = static_cast<uint8_t>(*value);
        from = dot + 1;
    }
    return ip;
}

bool parseTcpPort(const std::string& text, uint16_t& out) {
    const auto value = text.size() <= 5 ? parseDecimal(text, 0, 65535) : std::nullopt;
    if (!value) return false;
    out = static_cast<uint16_t>(*value);
    return true;
}

std::string dottedAddress(const std::array<uint8_t, 4>& ip) {
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
           std::to_string(ip[3]);
}

std::string tcpStatusText(const std::array<uint8_t, 4>& ip, uint16_t port, bool afterLinkCommand) {
    char text[80];
    std::snprintf(text, sizeof text, "[IP:%d.%d.%d.%d],%s[PORT:%d]", ip[0], ip[1], ip[2], ip[3],
                  afterLinkCommand ? "   " : "  ", port);
    return text;
}

}  // namespace orb
