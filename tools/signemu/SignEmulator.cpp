#include "tools/signemu/SignEmulator.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "image/BigEndian.h"
#include "link/SignFrame.h"

namespace orb {

SignEmulator::SignEmulator(std::string model, EmulatorFaults faults)
    : faults_(faults), memory_(kMemoryBytes, 0) {
    model.resize(7, '\0');
    std::memcpy(&memory_[0x4000], model.data(), 7);  // the model string and its zero byte
}

void SignEmulator::reconnected() {
    pending_.clear();
}

bool SignEmulator::feed(std::span<const uint8_t> in, std::vector<uint8_t>& out,
                        std::vector<std::string>& log) {
    pending_.insert(pending_.end(), in.begin(), in.end());
    size_t at = 0;
    while (at < pending_.size()) {
        if (pending_[at] != kStx) {  // noise between frames
            ++at;
            continue;
        }
        if (pending_.size() - at < 3) break;
        const size_t length = readBe16(&pending_[at + 1]);
        if (length < 6 || length > SignFrame::kMaxLength) {
            ++at;  // not a frame start after all
            continue;
        }
        if (pending_.size() - at < length) break;
        const std::span<const uint8_t> frame(&pending_[at], length);
        at += length;
        if (!handle(frame, out, log)) {
            pending_.clear();
            return false;
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

void SignEmulator::answer(std::span<const uint8_t> reply, std::vector<uint8_t>& out) {
    if (faults_.noAnswerAfter >= 0 && frames_ > faults_.noAnswerAfter) return;
    if (faults_.delayMs > 0 && (faults_.delayFrame == 0 || faults_.delayFrame == frames_))
        std::this_thread::sleep_for(std::chrono::milliseconds(faults_.delayMs));
    out.insert(out.end(), reply.begin(), reply.end());
    if (faults_.badSumAfter >= 0 && frames_ > faults_.badSumAfter) out[out.size() - 2] ^= 0x5A;
    if (faults_.noEtx) out.back() = 0x00;
}

bool SignEmulator::handle(std::span<const uint8_t> frame, std::vector<uint8_t>& out,
                          std::vector<std::string>& log) {
    ++frames_;
    const size_t length = frame.size();
    char line[128];
    if (frameSum(frame.first(length - 2)) != frame[length - 2] || frame[length - 1] != kEtx) {
        std::snprintf(line, sizeof line, "frame %d: bad sum or end, not answered", frames_);
        log.push_back(line);
        return true;
    }
    const uint8_t command = frame[3];
    const std::span<const uint8_t> body = frame.subspan(4, length - 6);
    bool known = true;
    std::vector<uint8_t> reply;
    switch (command) {
        case kMemoryWrite: {
            const uint32_t address = body.size() >= 6 ? readBe32(&body[0]) : 0;
            const size_t n = body.size() >= 6 ? readBe16(&body[4]) : 0;
            known = body.size() == 6 + n && address + uint64_t{n} <= memory_.size();
            if (known) std::memcpy(&memory_[address], &body[6], n);
            std::snprintf(line, sizeof line, "frame %d: write %zu bytes at 0x%08X", frames_, n, address);
            break;
        }
        case kMemoryRead: {
            const uint32_t address = body.size() == 6 ? readBe32(&body[0]) : 0;
            const size_t n = body.size() == 6 ? readBe16(&body[4]) : 0;
            known = body.size() == 6 && n <= SignFrame::kMaxData && address + uint64_t{n} <= memory_.size();
            if (known) {
                reply.assign(n + 6, 0);
                reply[0] = kStx;
                writeBe16(&reply[1], static_cast<uint16_t>(n + 6));
                reply[3] = 0x06;
                std::memcpy(&reply[4], &memory_[address], n);
                reply[n + 4] = frameSum({reply.data(), n + 4});
                reply[n + 5] = kEtx;
            }
            std::snprintf(line, sizeof line, "frame %d: read %zu bytes at 0x%08X", frames_, n, address);
            break;
        }
        case kApply:
            ++applies_;
            std::snprintf(line, sizeof line, "frame %d: apply", frames_);
            break;
        case kSetClock:
            known = body.size() == 7;
            if (known) clock = {readBe16(&body[0]), body[2], body[3], body[4], body[5], body[6]};
            std::snprintf(line, sizeof line, "frame %d: clock %04d-%02d-%02d %02d:%02d:%02d", frames_,
                          clock.year, clock.month, clock.day, clock.hour, clock.minute, clock.second);
            break;
        case kSetOnOff:
            known = body.size() == 5;
            if (known) onOff.assign(body.begin(), body.end());
            std::snprintf(line, sizeof line, "frame %d: on/off %d %02d:%02d %02d:%02d", frames_,
                          known ? body[0] : -1, known ? body[1] : 0, known ? body[2] : 0, known ? body[3] : 0,
                          known ? body[4] : 0);
            break;
        case kSetBrightness:
            known = body.size() == 1;
            if (known) brightness = body[0];
            std::snprintf(line, sizeof line, "frame %d: brightness %d", frames_, brightness);
            break;
        default:
            known = false;
            std::snprintf(line, sizeof line, "frame %d: command 0x%02X", frames_, command);
    }
    if (!known) std::strncat(line, ", not understood", sizeof line - std::strlen(line) - 1);
    log.push_back(line);
    if (faults_.closeAfter >= 0 && frames_ > faults_.closeAfter) return false;
    if (!known) return true;  // the editor times out on what the sign does not understand
    if (reply.empty()) {
        const auto ack = acknowledgement();
        reply.assign(ack.begin(), ack.end());
    }
    answer(reply, out);
    return true;
}

}  // namespace orb
