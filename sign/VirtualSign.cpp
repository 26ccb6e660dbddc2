#include "sign/VirtualSign.h"

#include <utility>

#include "simulator/engine/SignClock.h"

namespace orb {

VirtualSign::VirtualSign(const SignFonts& fonts, uint64_t nowMs, const LocalDateTime& pcNow,
                         std::string model, ResponderFaults faults)
    : responder_(std::move(model), faults), memory_(responder_.memory()), show_(memory_, fonts) {
    show_.restart(nowMs, pcNow);
}

VirtualSign::~VirtualSign() = default;

ResponderTurn VirtualSign::receive(std::span<const uint8_t> in, Arrival arrival, std::vector<uint8_t>& out,
                                   std::vector<std::string>& log, uint64_t nowMs, const LocalDateTime& pcNow,
                                   bool* applied) {
    const int applies = responder_.applies();
    const ResponderTurn turn = responder_.feed(in, arrival, out, log);
    if (responder_.clockSets() != clockSets_) {
        clockSets_ = responder_.clockSets();
        clockOffsetSeconds_ = secondsSinceEpoch(responder_.clock()) - secondsSinceEpoch(pcNow);
    }
    const bool didApply = responder_.applies() != applies;
    if (didApply) show_.restart(nowMs, signTime(pcNow));
    if (applied) *applied = didApply;
    return turn;
}

bool VirtualSign::loadMemory(std::span<const uint8_t> saved, uint64_t nowMs, const LocalDateTime& pcNow) {
    if (!responder_.loadMemory(saved)) return false;
    show_.restart(nowMs, signTime(pcNow));
    return true;
}

void VirtualSign::pass(uint64_t nowMs, const LocalDateTime& pcNow) {
    show_.pass(nowMs, signTime(pcNow), responder_.onOff());
}

double VirtualSign::brightness() const {
    return brightnessShare(responder_.brightness());
}

LocalDateTime VirtualSign::signTime(const LocalDateTime& pcNow) const {
    if (clockOffsetSeconds_ == 0) return pcNow;
    return shift(pcNow, clockOffsetSeconds_);
}

}  // namespace orb
