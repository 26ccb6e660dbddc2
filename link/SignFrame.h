#pragma once
// The frames the editor sends to the sign, and the replies it judges.
//   frame: STX, total length (2 bytes), command, body, sum of all bytes before it, ETX
//   acknowledgement: STX, 00 06, answer byte, sum, ETX
//   data reply to a memory read of n bytes: STX, length n + 6, answer byte, n bytes, sum, ETX
#include <array>
#include <cstdint>
#include <span>

#include "image/LocalDateTime.h"

namespace orb {

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;

enum SignCommand : uint8_t {
    kSetClock = 0x21,
    kMemoryWrite = 0x23,
    kMemoryRead = 0x24,
    kApply = 0x26,
    kSetOnOff = 0x27,
    kSetBrightness = 0x28,
};

// The low 8 bits of the sum of the bytes: every frame and reply ends with it before ETX.
uint8_t frameSum(std::span<const uint8_t> bytes);

struct SignFrame {
    static constexpr size_t kMaxData = 512;
    static constexpr size_t kMaxLength = kMaxData + 12;
    std::array<uint8_t, kMaxLength> bytes{};
    uint16_t length = 0;

    std::span<const uint8_t> view() const { return {bytes.data(), length}; }
    uint8_t command() const { return bytes[3]; }

    // `SignMemoryWrite`: at most 512 data bytes.
    static SignFrame memoryWrite(uint32_t address, std::span<const uint8_t> data);
    // `SignMemoryRead` of n bytes.
    static SignFrame memoryRead(uint32_t address, uint16_t n);
    static SignFrame apply();
    static SignFrame setClock(const LocalDateTime& t);
    static SignFrame setOnOff(bool enabled, uint8_t onHour, uint8_t onMinute, uint8_t offHour,
                              uint8_t offMinute);
    static SignFrame setBrightness(uint8_t level);  // 0..9

    // A frame of any command and body (at most kMaxLength - 6 bytes).
    static SignFrame make(uint8_t command, std::span<const uint8_t> body);
};

// 0 always means acknowledged and valid.
enum class LinkResult {
    Ok,
    NoAnswer,       // not the whole answer within the time limit, or the link is down
    NotStx,         // the first byte is not STX
    BadSum,         // sum mismatch, or a length field pointing past the bytes received
    NoEtx,          // TCP: the last byte is not ETX
    NothingToSend,  // a frame of length 0
    NoLink,         // no port open, or no connection can be made
};

const char* toText(LinkResult r);

// Judges the bytes that arrived as a reply. The serial path does not look at the ETX.
enum class ReplyRules { Serial, Tcp };
LinkResult judgeReply(std::span<const uint8_t> received, size_t expected, ReplyRules rules);

// An acknowledgement, as a sign sends it.
std::array<uint8_t, 6> acknowledgement(uint8_t answer = 0x06);

}  // namespace orb
