#pragma once
// The 32-byte settings block at the end of the item store. It keeps the sign's height before its
// width (the image header has the width first).
#include <array>
#include <cstddef>
#include <cstdint>

namespace orb {

enum class LinkMode : uint8_t { Serial = 0, Tcp = 1 };

namespace settings {
inline constexpr size_t kComPort = 0;
inline constexpr size_t kSignHeight = 1;
inline constexpr size_t kSignWidth = 2;
inline constexpr size_t kLinkMode = 3;
inline constexpr size_t kIpAddress = 4;  // four octets, first octet first
inline constexpr size_t kTcpPort = 8;    // big-endian
inline constexpr size_t kOnHour = 10;
inline constexpr size_t kOnMinute = 11;
inline constexpr size_t kOffHour = 12;
inline constexpr size_t kOffMinute = 13;
inline constexpr size_t kOnOffEnabled = 14;
inline constexpr size_t kWindowMode = 15;
inline constexpr size_t kBrightness = 16;
}  // namespace settings

class SettingsBlock {
  public:
    static constexpr size_t kSize = 32;
    std::array<uint8_t, kSize> bytes{};

    uint8_t comPort() const { return bytes[settings::kComPort]; }  // 1..20
    void setComPort(uint8_t v) { bytes[settings::kComPort] = v; }
    uint8_t signHeight() const { return bytes[settings::kSignHeight]; }  // tiers, 1..8
    void setSignHeight(uint8_t v) { bytes[settings::kSignHeight] = v; }
    uint8_t signWidth() const { return bytes[settings::kSignWidth]; }  // columns, 5..40
    void setSignWidth(uint8_t v) { bytes[settings::kSignWidth] = v; }
    // Any value but 1 is taken as serial; the byte itself is left as stored.
    LinkMode linkMode() const { return bytes[settings::kLinkMode] == 1 ? LinkMode::Tcp : LinkMode::Serial; }
    void setLinkMode(LinkMode m) { bytes[settings::kLinkMode] = static_cast<uint8_t>(m); }
    std::array<uint8_t, 4> ipAddress() const;
    void setIpAddress(const std::array<uint8_t, 4>& ip);
    uint16_t tcpPort() const;
    void setTcpPort(uint16_t port);
    uint8_t onHour() const { return bytes[settings::kOnHour]; }
    uint8_t onMinute() const { return bytes[settings::kOnMinute]; }
    uint8_t offHour() const { return bytes[settings::kOffHour]; }
    uint8_t offMinute() const { return bytes[settings::kOffMinute]; }
    void setOnOffTimes(uint8_t onHour, uint8_t onMinute, uint8_t offHour, uint8_t offMinute);
    bool onOffEnabled() const { return bytes[settings::kOnOffEnabled] == 1; }
    void setOnOffEnabled(bool on) { bytes[settings::kOnOffEnabled] = on ? 1 : 0; }
    uint8_t windowMode() const { return bytes[settings::kWindowMode]; }  // 0 always, 1 only inside
    void setWindowMode(uint8_t v) { bytes[settings::kWindowMode] = v; }
    uint8_t brightness() const { return bytes[settings::kBrightness]; }  // 0..9 for "1".."10"
    void setBrightness(uint8_t v) { bytes[settings::kBrightness] = v; }

    // Replaces what the editor does not accept: port outside 1..20 by 1, height outside 1..8
    // by 1, width outside 5..40 by 6, ON/OFF flag and display-window mode above 1 by 0.
    // Returns whether anything changed (the caller writes the block back then).
    bool correct();

    bool operator==(const SettingsBlock&) const = default;
};

}  // namespace orb
