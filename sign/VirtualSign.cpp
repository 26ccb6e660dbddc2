#include "sign/VirtualSign.h"

#include <algorithm>
#include <utility>

#include "image/BigEndian.h"
#include "image/ItemHeader.h"
#include "image/ProgramImage.h"
#include "simulator/engine/SignClock.h"

namespace orb {

namespace {

int minuteOfDay(const LocalDateTime& t) {
    return t.hour * 60 + t.minute;
}

int minuteOfDay(const ClockTime& t) {
    return t.hour * 60 + t.minute;
}

}  // namespace

bool insidePeriod(int minute, int start, int end) {
    if (start == end) return true;
    if (start < end) return minute >= start && minute < end;
    return minute >= start || minute < end;
}

VirtualSign::VirtualSign(const SignFonts& fonts, uint64_t nowMs, const LocalDateTime& pcNow,
                         std::string model, ResponderFaults faults)
    : responder_(std::move(model), faults),
      source_(responder_.memory()),
      engine_(std::make_unique<SignEngine>(source_, fonts)),
      blank_(std::make_unique<PlanePair>()) {
    window_.reserve(ProgramImage::kItemTableEntries);
    restart(nowMs, pcNow, itemsInWindow(pcNow));
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
    if (didApply) {
        const LocalDateTime signNow = signTime(pcNow);
        restart(nowMs, signNow, itemsInWindow(signNow));
    }
    if (applied) *applied = didApply;
    return turn;
}

bool VirtualSign::loadMemory(std::span<const uint8_t> saved, uint64_t nowMs, const LocalDateTime& pcNow) {
    if (!responder_.loadMemory(saved)) return false;
    const LocalDateTime signNow = signTime(pcNow);
    restart(nowMs, signNow, itemsInWindow(signNow));
    return true;
}

void VirtualSign::restart(uint64_t nowMs, const LocalDateTime& signNow, std::vector<uint16_t>* items) {
    lastMinute_ = minuteOfDay(signNow);
    if (items) {
        source_.showOnly(std::move(*items));
        // What came back is the source's old list: empty and unreserved only the first time.
        items->reserve(ProgramImage::kItemTableEntries);
    } else {
        source_.showAll();
    }
    engine_->start(nowMs, signNow);
}

std::vector<uint16_t>* VirtualSign::itemsInWindow(const LocalDateTime& signNow) {
    if (responder_.windowMode() != 1) return nullptr;
    const auto memory = responder_.memory();
    const int count =
        std::min<int>(readBe16(&memory[ProgramImage::kHeaderOffset + 2]), ProgramImage::kItemTableEntries);
    window_.clear();
    for (int i = 0; i < count; ++i) {
        ItemHeader h;
        std::copy_n(&memory[ProgramImage::itemEntryOffset(i)], ItemHeader::kSize, h.bytes.begin());
        if (insidePeriod(minuteOfDay(signNow), minuteOfDay(h.windowStart()), minuteOfDay(h.windowEnd())))
            window_.push_back(static_cast<uint16_t>(i));
    }
    return &window_;
}

void VirtualSign::pass(uint64_t nowMs, const LocalDateTime& pcNow) {
    const LocalDateTime signNow = signTime(pcNow);
    // The set of items inside their windows can change only when the minute does.
    if (minuteOfDay(signNow) != lastMinute_) {
        lastMinute_ = minuteOfDay(signNow);
        std::vector<uint16_t>* items = itemsInWindow(signNow);
        const auto& shown = source_.shown();
        if (items ? !shown || *shown != *items : shown.has_value()) restart(nowMs, signNow, items);
    }
    engine_->pass(nowMs, signNow);
    const OnOffTimes& onOff = responder_.onOff();
    const bool off = onOff.enabled && !insidePeriod(minuteOfDay(signNow), onOff.onHour * 60 + onOff.onMinute,
                                                    onOff.offHour * 60 + onOff.offMinute);
    dark_ = off || (source_.shown() && source_.shown()->empty());
}

uint64_t VirtualSign::nextDeadline() const {
    return engine_->nextDeadline();
}

const PlanePair& VirtualSign::frame() const {
    return dark_ ? *blank_ : engine_->frontFrame();
}

double VirtualSign::brightness() const {
    const int level = responder_.brightness();
    if (level < 0) return 1.0;
    return 0.1 + 0.9 * std::min(level, 9) / 9.0;
}

LocalDateTime VirtualSign::signTime(const LocalDateTime& pcNow) const {
    if (clockOffsetSeconds_ == 0) return pcNow;
    return shift(pcNow, clockOffsetSeconds_);
}

}  // namespace orb
