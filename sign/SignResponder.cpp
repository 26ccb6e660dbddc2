#include "sign/SignResponder.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "image/BigEndian.h"
#include "image/ProgramImage.h"
#include "link/SignFrame.h"

namespace orb {

SignResponder::SignResponder(std::string model, ResponderFaults faults)
    : model_(std::move(model)), faults_(faults), memory_(kMemoryBytes, 0) {
    model_.resize(7, '\0');
    putModel();
}

void SignResponder::putModel() {
    std::memcpy(&memory_[ProgramImage::kModelOffset], model_.data(), 7);
    memory_[ProgramImage::kModelOffset + 7] = 0;
}

bool SignResponder::loadMemory(std::span<const uint8_t> saved) {
    if (saved.size() != memory_.size()) return false;
    std::memcpy(memory_.data(), saved.data(), saved.size());
    putModel();
    return true;
}

uint8_t SignResponder::windowMode() const {
    return memory_[ProgramImage::kWindowModeOffset];
}

void SignResponder::reconnected() {
    pending_.clear();
}

ResponderTurn SignResponder::feed(std::span<const uint8_t> in, Arrival arrival, std::vector<uint8_t>& out,
                                  std::vector<std::string>& log) {
    ResponderTurn turn;
    if (arrival == Arrival::AfterPause) pending_.clear();
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
        if (frameSum(frame.first(length - 2)) != frame[length - 2] || frame[length - 1] != kEtx) {
            // Most likely a frame given up half-way with the next one after it: look for that.
            ++frames_;
            log.push_back("frame " + std::to_string(frames_) + ": bad sum or end, not answered");
            ++at;
            continue;
        }
        at += length;
        ++turn.wholeFrames;
        if (!handle(frame, out, turn, log)) {
            pending_.clear();
            turn.keep = false;
            return turn;
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    return turn;
}

void SignResponder::answer(std::span<const uint8_t> reply, std::vector<uint8_t>& out, ResponderTurn& turn) {
    if (faults_.noAnswerAfter >= 0 && frames_ > faults_.noAnswerAfter) return;
    if (faults_.delayMs > 0 && (faults_.delayFrame == 0 || faults_.delayFrame == frames_))
        turn.delayMs += faults_.delayMs;
    out.insert(out.end(), reply.begin(), reply.end());
    if (faults_.badSumAfter >= 0 && frames_ > faults_.badSumAfter) out[out.size() - 2] ^= 0x5A;
    if (faults_.noEtx) out.back() = 0x00;
}

bool SignResponder::handle(std::span<const uint8_t> frame, std::vector<uint8_t>& out, ResponderTurn& turn,
                           std::vector<std::string>& log) {
    ++frames_;
    const size_t length = frame.size();
    char line[128];
    lastCommand_ = frame[3];
    std::vector<uint8_t> reply;
    const bool known = execute(frame[3], frame.subspan(4, length - 6), reply, line, sizeof line);
    if (!known) std::strncat(line, ", not understood", sizeof line - std::strlen(line) - 1);
    log.push_back(line);
    if (faults_.closeAfter >= 0 && frames_ > faults_.closeAfter) return false;
    if (!known) return true;  // the editor times out on what the sign does not understand
    if (reply.empty()) {
        const auto ack = acknowledgement();
        reply.assign(ack.begin(), ack.end());
    }
    answer(reply, out, turn);
    return true;
}

bool SignResponder::writeMemory(std::span<const uint8_t> body, char* line, size_t lineSize) {
    const uint32_t address = body.size() >= 6 ? readBe32(&body[0]) : 0;
    const size_t n = body.size() >= 6 ? readBe16(&body[4]) : 0;
    const bool known = body.size() == 6 + n && address + uint64_t{n} <= memory_.size();
    std::snprintf(line, lineSize, "frame %d: write %zu bytes at 0x%08X", frames_, n, address);
    if (!known) return false;
    std::memcpy(&memory_[address], &body[6], n);
    ++writes_;
    if (writes_ == faults_.corruptWrite || (faults_.corruptFrom > 0 && writes_ >= faults_.corruptFrom))
        for (size_t i = 0; i < n; ++i) memory_[address + i] ^= 0xFF;
    // The model string is the sign's own: a write over it leaves it as it was.
    if (address < ProgramImage::kModelOffset + 8 && address + n > ProgramImage::kModelOffset) putModel();
    return true;
}

bool SignResponder::readMemory(std::span<const uint8_t> body, std::vector<uint8_t>& reply, char* line,
                               size_t lineSize) {
    const uint32_t address = body.size() == 6 ? readBe32(&body[0]) : 0;
    const size_t n = body.size() == 6 ? readBe16(&body[4]) : 0;
    std::snprintf(line, lineSize, "frame %d: read %zu bytes at 0x%08X", frames_, n, address);
    if (body.size() != 6 || n > SignFrame::kMaxData || address + uint64_t{n} > memory_.size()) return false;
    reply.assign(n + 6, 0);
    reply[0] = kStx;
    writeBe16(&reply[1], static_cast<uint16_t>(n + 6));
    reply[3] = 0x06;
    std::memcpy(&reply[4], &memory_[address], n);
    reply[n + 4] = frameSum({reply.data(), n + 4});
    reply[n + 5] = kEtx;
    return true;
}

bool SignResponder::execute(uint8_t command, std::span<const uint8_t> body, std::vector<uint8_t>& reply,
                            char* line, size_t lineSize) {
    switch (command) {
        case kMemoryWrite:
            return writeMemory(body, line, lineSize);
        case kMemoryRead:
            return readMemory(body, reply, line, lineSize);
        case kApply:
            ++applies_;
            std::snprintf(line, lineSize, "frame %d: apply", frames_);
            return true;
        case kSetClock: {
            const bool known = body.size() == 7;
            if (known) {
                clock_ = {readBe16(&body[0]), body[2], body[3], body[4], body[5], body[6]};
                ++clockSets_;
            }
            std::snprintf(line, lineSize, "frame %d: clock %04d-%02d-%02d %02d:%02d:%02d", frames_,
                          clock_.year, clock_.month, clock_.day, clock_.hour, clock_.minute, clock_.second);
            return known;
        }
        case kSetOnOff: {
            const bool known = body.size() == 5;
            if (known) onOff_ = {body[0] != 0, body[1], body[2], body[3], body[4]};
            std::snprintf(line, lineSize, "frame %d: on/off %d %02d:%02d %02d:%02d", frames_,
                          known ? body[0] : -1, known ? body[1] : 0, known ? body[2] : 0, known ? body[3] : 0,
                          known ? body[4] : 0);
            return known;
        }
        case kSetBrightness: {
            const bool known = body.size() == 1;
            if (known) brightness_ = body[0];
            std::snprintf(line, lineSize, "frame %d: brightness %d", frames_, brightness_);
            return known;
        }
        default:
            std::snprintf(line, lineSize, "frame %d: command 0x%02X", frames_, command);
            return false;
    }
}

}  // namespace orb
