#pragma once
// A sign without a window: the responder answers the link and keeps the memory, the simulator's
// engine plays the program in that memory, and the sign's settings act on what it shows. It
// starts again from the first item after each SignApply, keeps the clock a SetClock gave it as
// an offset from the PC's clock, is dark outside its ON period when ON/OFF is enabled, and in
// display-window mode 1 skips the items outside their window (dark when none is inside). The
// caller gives the time, as to the engine; nothing here reads a clock.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sign/SignResponder.h"
#include "sign/WindowedImageSource.h"
#include "simulator/engine/SignEngine.h"

namespace orb {

class VirtualSign {
  public:
    // The fonts must be loaded and outlive the sign. The program starts at nowMs.
    VirtualSign(const SignFonts& fonts, uint64_t nowMs, const LocalDateTime& pcNow,
                std::string model = "LEDSign", ResponderFaults faults = {});
    ~VirtualSign();

    // Bytes from the link (as SignResponder::feed takes them) at nowMs: the answers go to `out`,
    // one log line per frame to `log`; `applied`, if given, tells whether a SignApply came with them.
    ResponderTurn receive(std::span<const uint8_t> in, Arrival arrival, std::vector<uint8_t>& out,
                          std::vector<std::string>& log, uint64_t nowMs, const LocalDateTime& pcNow,
                          bool* applied = nullptr);
    // A new client on the link: a partial frame of the old one is dropped.
    void reconnected() { responder_.reconnected(); }
    // A saved memory of SignResponder::kMemoryBytes, played from its first item; false (nothing
    // changed) for another size.
    bool loadMemory(std::span<const uint8_t> saved, uint64_t nowMs, const LocalDateTime& pcNow);

    // One turn of the sign's loop.
    void pass(uint64_t nowMs, const LocalDateTime& pcNow);
    uint64_t nextDeadline() const;

    // What the sign shows after the last pass: blank while it is dark.
    const PlanePair& frame() const;
    bool dark() const { return dark_; }
    // The share of full brightness: level 0 (the menu's "1") about a tenth, level 9 full; full
    // until a SetBrightness arrives.
    double brightness() const;
    // The sign's own clock: the PC's with the SetClock offset.
    LocalDateTime signTime(const LocalDateTime& pcNow) const;
    const SignGeometry& geometry() const { return engine_->geometry(); }
    const SignResponder& responder() const { return responder_; }
    // The items the player is given in display-window mode 1; empty optional: all of them.
    const std::optional<std::vector<uint16_t>>& shownItems() const { return source_.shown(); }

  private:
    // Plays from the first item, showing `items` (handed over; null: all of them).
    void restart(uint64_t nowMs, const LocalDateTime& signNow, std::vector<uint16_t>* items);
    // The items to show at this minute, filled into window_; null in mode 0.
    std::vector<uint16_t>* itemsInWindow(const LocalDateTime& signNow);

    SignResponder responder_;
    WindowedImageSource source_;
    std::unique_ptr<SignEngine> engine_;
    std::unique_ptr<PlanePair> blank_;
    std::vector<uint16_t> window_;  // reserved for the whole item table: the loop allocates nothing
    int64_t clockOffsetSeconds_ = 0;
    int clockSets_ = 0;
    int lastMinute_ = -1;  // of the day, when the window was last looked at
    bool dark_ = false;
};

// Whether hh:mm lies in the period from start to end (minutes of the day): start included, end
// not; a period whose end comes before its start runs over midnight; start == end is the whole day.
bool insidePeriod(int minute, int start, int end);

}  // namespace orb
