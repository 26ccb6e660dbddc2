#include "link/SignLink.h"

#include <array>
#include <chrono>
#include <cstring>

namespace orb {

namespace {

// Marks the wait for a reply in a LinkWait for as long as it lasts.
class WaitMark {
  public:
    WaitMark(LinkWait* wait, int limitMs) : wait_(wait) {
        if (!wait_) return;
        wait_->limitMs = limitMs;
        wait_->sinceMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
    }
    ~WaitMark() {
        if (wait_) wait_->sinceMs = -1;
    }
    WaitMark(const WaitMark&) = delete;
    WaitMark& operator=(const WaitMark&) = delete;

  private:
    LinkWait* wait_;
};

}  // namespace

LinkResult SignLink::exchange(const SignFrame& frame, std::span<uint8_t> reply) {
    const LinkResult r = carry(frame, reply);
    if (observer_) observer_->exchanged(frame.command(), r);
    return r;
}

LinkResult SignLink::carry(const SignFrame& frame, std::span<uint8_t> reply) {
    if (frame.length == 0) return LinkResult::NothingToSend;
    if (tcp_) {
        if (!tcp_->connectNow()) return LinkResult::NoLink;
        const WaitMark waiting(wait_, TcpLink::kReplyLimitMs);
        const size_t got = tcp_->exchange(frame.view(), reply);
        return judgeReply(reply.first(got), reply.size(), ReplyRules::Tcp);
    }
    if (!serial_ || !serial_->isOpen()) return LinkResult::NoLink;
    serial_->purge();
    serial_->send(frame.view());
    if (!serial_->armDeadline(kSerialReplyLimitMs)) return LinkResult::NoLink;
    const WaitMark waiting(wait_, kSerialReplyLimitMs);
    if (serial_->waitFetch(reply) != SerialPort::Fetched::Ok) return LinkResult::NoAnswer;
    return judgeReply(reply, reply.size(), ReplyRules::Serial);
}

LinkResult SignLink::transact(const SignFrame& frame) {
    std::array<uint8_t, 6> reply{};
    return exchange(frame, reply);
}

LinkResult SignLink::query(const SignFrame& frame, std::span<uint8_t> out) {
    std::array<uint8_t, SignFrame::kMaxLength> reply{};
    const size_t expected = std::min(out.size() + 6, reply.size());
    const LinkResult r = exchange(frame, {reply.data(), expected});
    if (r == LinkResult::Ok) std::memcpy(out.data(), &reply[4], expected - 6);
    return r;
}

ModelCheck SignLink::checkModel() {
    std::array<char, 8> model{};
    if (query(SignFrame::memoryRead(0x4000, 8),
              std::span(reinterpret_cast<uint8_t*>(model.data()), model.size())) != LinkResult::Ok)
        return ModelCheck::NoAnswer;
    return ::strncmp(model.data(), "LEDSign", model.size()) == 0 ? ModelCheck::Ok : ModelCheck::OtherModel;
}

}  // namespace orb
