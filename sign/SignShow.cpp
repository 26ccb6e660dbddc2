#include "sign/SignShow.h"

#include <algorithm>
#include <array>
#include <utility>

#include "image/BigEndian.h"
#include "image/ItemHeader.h"
#include "image/ProgramImage.h"

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

double brightnessShare(int level) {
    if (level < 0) return 1.0;
    return 0.1 + 0.9 * std::min(level, 9) / 9.0;
}

SignShow::SignShow(const ImageSource& memory, const SignFonts& fonts)
    : memory_(memory),
      source_(memory),
      engine_(std::make_unique<SignEngine>(source_, fonts)),
      blank_(std::make_unique<PlanePair>()) {
    window_.reserve(ProgramImage::kItemTableEntries);
}

SignShow::~SignShow() = default;

void SignShow::restart(uint64_t nowMs, const LocalDateTime& signNow) {
    restart(nowMs, signNow, itemsInWindow(signNow));
}

void SignShow::restart(uint64_t nowMs, const LocalDateTime& signNow, std::vector<uint16_t>* items) {
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

std::vector<uint16_t>* SignShow::itemsInWindow(const LocalDateTime& signNow) {
    std::array<uint8_t, 1> mode{};
    if (memory_.read(ProgramImage::kWindowModeOffset, mode) != 1 || mode[0] != 1) return nullptr;
    std::array<uint8_t, 2> count{};
    memory_.read(ProgramImage::kHeaderOffset + 2, count);
    const int items = std::min<int>(readBe16(count.data()), ProgramImage::kItemTableEntries);
    window_.clear();
    ItemHeader h;
    for (int i = 0; i < items; ++i) {
        h.bytes.fill(0);
        memory_.read(ProgramImage::itemEntryOffset(i), h.bytes);
        if (insidePeriod(minuteOfDay(signNow), minuteOfDay(h.windowStart()), minuteOfDay(h.windowEnd())))
            window_.push_back(static_cast<uint16_t>(i));
    }
    return &window_;
}

void SignShow::pass(uint64_t nowMs, const LocalDateTime& signNow, const OnOffTimes& onOff) {
    // The set of items inside their windows can change only when the minute does.
    if (minuteOfDay(signNow) != lastMinute_) {
        lastMinute_ = minuteOfDay(signNow);
        std::vector<uint16_t>* items = itemsInWindow(signNow);
        const auto& shown = source_.shown();
        if (items ? !shown || *shown != *items : shown.has_value()) restart(nowMs, signNow, items);
    }
    engine_->pass(nowMs, signNow);
    const bool off = onOff.enabled && !insidePeriod(minuteOfDay(signNow), onOff.onHour * 60 + onOff.onMinute,
                                                    onOff.offHour * 60 + onOff.offMinute);
    dark_ = off || (source_.shown() && source_.shown()->empty());
}

}  // namespace orb
