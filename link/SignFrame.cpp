#include "link/SignFrame.h"

#include <cstring>

#include "image/BigEndian.h"

namespace orb {

uint8_t frameSum(std::span<const uint8_t> bytes) {
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    return static_cast<uint8_t>(sum);
}

SignFrame SignFrame::make(uint8_t command, std::span<const uint8_t> body) {
    SignFrame f;
    const size_t n = std::min(body.size(), kMaxLength - 6);
    f.length = static_cast<uint16_t>(n + 6);
    f.bytes[0] = kStx;
    writeBe16(&f.bytes[1], f.length);
    f.bytes[3] = command;
    if (n) std::memcpy(&f.bytes[4], body.data(), n);
    f.bytes[f.length - 2] = frameSum({f.bytes.data(), size_t(f.length - 2)});
    f.bytes[f.length - 1] = kEtx;
    return f;
}

SignFrame SignFrame::memoryWrite(uint32_t address, std::span<const uint8_t> data) {
    std::array<uint8_t, 6 + kMaxData> body{};
    const size_t n = std::min(data.size(), kMaxData);
    writeBe32(&body[0], address);
    writeBe16(&body[4], static_cast<uint16_t>(n));
    if (n) std::memcpy(&body[6], data.data(), n);
    return make(kMemoryWrite, {body.data(), 6 + n});
}

SignFrame SignFrame::memoryRead(uint32_t address, uint16_t n) {
    std::array<uint8_t, 6> body{};
    writeBe32(&body[0], address);
    writeBe16(&body[4], n);
    return make(kMemoryRead, body);
}

SignFrame SignFrame::apply() {
    return make(kApply, {});
}

SignFrame SignFrame::setClock(const LocalDateTime& t) {
    std::array<uint8_t, 7> body{};
    writeBe16(&body[0], static_cast<uint16_t>(t.year));
    body[2] = static_cast<uint8_t>(t.month), body[3] = static_cast<uint8_t>(t.day);
    body[4] = static_cast<uint8_t>(t.hour), body[5] = static_cast<uint8_t>(t.minute);
    body[6] = static_cast<uint8_t>(t.second);
    return make(kSetClock, body);
}

SignFrame SignFrame::setOnOff(bool enabled, uint8_t onHour, uint8_t onMinute, uint8_t offHour,
                              uint8_t offMinute) {
    const std::array<uint8_t, 5> body{static_cast<uint8_t>(enabled ? 1 : 0), onHour, onMinute, offHour,
                                      offMinute};
    return make(kSetOnOff, body);
}

SignFrame SignFrame::setBrightness(uint8_t level) {
    const std::array<uint8_t, 1> body{level};
    return make(kSetBrightness, body);
}

const char* toText(LinkResult r) {
    switch (r) {
        case LinkResult::Ok:
            return "acknowledged";
        case LinkResult::NoAnswer:
            return "no complete answer in time";
        case LinkResult::NotStx:
            return "the answer does not start with STX";
        case LinkResult::BadSum:
            return "the answer's sum is wrong";
        case LinkResult::NoEtx:
            return "the answer does not end with ETX";
        case LinkResult::NothingToSend:
            return "nothing to send";
        case LinkResult::NoLink:
            return "no link to the sign";
    }
    return "unknown";
}

LinkResult judgeReply(std::span<const uint8_t> received, size_t expected, ReplyRules rules) {
    if (received.size() < expected || received.empty()) return LinkResult::NoAnswer;
    received = received.first(expected);
    if (received[0] != kStx) return LinkResult::NotStx;
    if (received.size() < 4) return LinkResult::BadSum;
    const size_t length = readBe16(&received[1]);
    // Only the bytes that arrived are judged: a length field pointing past them cannot be right.
    if (length < 4 || length > received.size()) return LinkResult::BadSum;
    if (frameSum(received.first(length - 2)) != received[length - 2]) return LinkResult::BadSum;
    if (rules == ReplyRules::Tcp && received[length - 1] != kEtx) return LinkResult::NoEtx;
    return LinkResult::Ok;
}

std::array<uint8_t, 6> acknowledgement(uint8_t answer) {
    std::array<uint8_t, 6> a{kStx, 0, 6, answer, 0, kEtx};
    a[4] = frameSum({a.data(), 4});
    return a;
}

}  // namespace orb
