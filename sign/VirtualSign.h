#pragma once
// A sign without a window: the responder answers the link and keeps the memory, the simulator's
// engine plays the program in that memory, and the sign's settings act on what it shows. It
// starts again from the first item after each SignApply, keeps the clock a SetClock gave it as
// an offset from the PC's clock, is dark outside its ON period when ON/OFF is enabled, and in
// display-window mode 1 skips the items outside their window (dark when none is inside). The
// caller gives the time, as to the engine; nothing here reads a clock.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sign/SignResponder.h"
#include "sign/SignShow.h"
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
    uint64_t nextDeadline() const { return show_.nextDeadline(); }

    // What the sign shows after the last pass: blank while it is dark.
    const PlanePair& frame() const { return show_.frame(); }
    bool dark() const { return show_.dark(); }
    // The share of full brightness: level 0 (the menu's "1") about a tenth, level 9 full; full
    // until a SetBrightness arrives.
    double brightness() const;
    // The sign's own clock: the PC's with the SetClock offset.
    LocalDateTime signTime(const LocalDateTime& pcNow) const;
    const SignGeometry& geometry() const { return show_.geometry(); }
    const SignResponder& responder() const { return responder_; }
    // The items the player is given in display-window mode 1; empty optional: all of them.
    const std::optional<std::vector<uint16_t>>& shownItems() const { return show_.shownItems(); }

  private:
    SignResponder responder_;
    MemoryImageSource memory_;
    SignShow show_;
    int64_t clockOffsetSeconds_ = 0;
    int clockSets_ = 0;
};

}  // namespace orb
