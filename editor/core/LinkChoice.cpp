#include "editor/core/LinkChoice.h"

#include <cstdio>

namespace orb {

LinkChoice linkFromSettings(const SettingsBlock& s) {
    LinkChoice link;
    link.tcp = s.linkMode() == LinkMode::Tcp;
    const auto ip = s.ipAddress();
    link.host = std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
                std::to_string(ip[3]);
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
