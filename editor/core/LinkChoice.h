#pragma once
// Where the sign is: a TCP peer or a serial device, from a command line or from the settings
// block; and the open link built on that choice.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/SettingsBlock.h"
#include "link/SignLink.h"

namespace orb {

struct LinkChoice {
    bool tcp = false;
    std::string host;  // dotted IPv4 for a choice from the settings
    uint16_t port = 0;
    SerialSettings serial;  // 57,600 bps unless told
};

// TCP to the stored address and port in TCP/IP mode; else COM n of the settings
// ($ORB_COM<n> when set, else /dev/ttyS<n-1>).
LinkChoice linkFromSettings(const SettingsBlock& settings);

// The link and what it runs over; neither moves once opened.
struct OpenLink {
    SerialPort serial;
    TcpLink tcp;
    SignLink link;
};

// Points OPEN's sign link at the chosen path. False when the serial port could not be opened
// (the link is still set; its frames then fail as the sign's silence does).
bool openLink(const LinkChoice& choice, OpenLink& open);

// The message when the serial port cannot be opened.
inline constexpr const char* kPortOpenFailed =
    "통신 포트를 열지 못했습니다.\n설정값을 바꿔 다시 시도 하십시오.";

// "a.b.c.d", as the address control and the programs' text give it: four numbers 0..255 of one to
// three digits; nothing for anything else (an octet is never cut to 8 bits).
std::optional<std::array<uint8_t, 4>> parseIpText(std::string_view text);
// The port field: digits for 0..65535; false for an empty field or anything else.
bool parseTcpPort(const std::string& text, uint16_t& out);
std::string dottedAddress(const std::array<uint8_t, 4>& ip);

// The link status pane's TCP text: "[IP:%d.%d.%d.%d],  [PORT:%d]" (two blanks; three after the
// "TCP/IP전송" command). The serial one is the port's own statusText().
std::string tcpStatusText(const std::array<uint8_t, 4>& ip, uint16_t port, bool afterLinkCommand);

}  // namespace orb
