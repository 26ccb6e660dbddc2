#include "image/SettingsBlock.h"

#include "image/BigEndian.h"

namespace orb {

std::array<uint8_t, 4> SettingsBlock::ipAddress() const {
    return {bytes[settings::kIpAddress], bytes[settings::kIpAddress + 1], bytes[settings::kIpAddress + 2],
            bytes[settings::kIpAddress + 3]};
}

void SettingsBlock::setIpAddress(const std::array<uint8_t, 4>& ip) {
    for (size_t i = 0; i < 4; ++i) bytes[settings::kIpAddress + i] = ip[i];
}

uint16_t SettingsBlock::tcpPort() const {
    return readBe16(&bytes[settings::kTcpPort]);
}

void SettingsBlock::setTcpPort(uint16_t port) {
    writeBe16(&bytes[settings::kTcpPort], port);
}

void SettingsBlock::setOnOffTimes(uint8_t onHour, uint8_t onMinute, uint8_t offHour, uint8_t offMinute) {
    bytes[settings::kOnHour] = onHour;
    bytes[settings::kOnMinute] = onMinute;
    bytes[settings::kOffHour] = offHour;
    bytes[settings::kOffMinute] = offMinute;
}

namespace {
bool replaceOutside(uint8_t& v, uint8_t lo, uint8_t hi, uint8_t replacement) {
    if (v >= lo && v <= hi) return false;
    v = replacement;
    return true;
}
}  // namespace

bool SettingsBlock::correct() {
    bool changed = false;
    changed |= replaceOutside(bytes[settings::kComPort], 1, 20, 1);
    changed |= replaceOutside(bytes[settings::kSignHeight], 1, 8, 1);
    changed |= replaceOutside(bytes[settings::kSignWidth], 5, 40, 6);
    changed |= replaceOutside(bytes[settings::kOnOffEnabled], 0, 1, 0);
    changed |= replaceOutside(bytes[settings::kWindowMode], 0, 1, 0);
    return changed;
}

}  // namespace orb
