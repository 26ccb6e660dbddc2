#pragma once
// What a sign shows of the program in its memory, with the settings that act on it: the engine
// plays the memory from the first item at each restart (a SignApply, or the sign starting); in
// display-window mode 1 (the byte at 0x4012) only the items inside their window at the minute
// are played, renumbered, the play starting again when that set changes, and the sign is dark
// when none is inside; with ON/OFF enabled it is dark outside its ON period. The virtual sign and
// the service's view of a sign both play through it. The caller gives the time; nothing here
// reads a clock, and nothing is allocated once it is built.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sign/SignResponder.h"
#include "sign/WindowedImageSource.h"
#include "simulator/engine/SignEngine.h"

namespace orb {

class SignShow {
  public:
    // MEMORY is what the sign holds; it and the fonts (loaded) must outlive the show. Call
    // restart() before the first pass.
    SignShow(const ImageSource& memory, const SignFonts& fonts);
    ~SignShow();

    // Plays from the first item, with deadlines counted from nowMs.
    void restart(uint64_t nowMs, const LocalDateTime& signNow);
    // One turn of the sign's loop at its own local time.
    void pass(uint64_t nowMs, const LocalDateTime& signNow, const OnOffTimes& onOff);
    uint64_t nextDeadline() const { return engine_->nextDeadline(); }

    // What the sign shows after the last pass: blank while it is dark.
    const PlanePair& frame() const { return dark_ ? *blank_ : engine_->frontFrame(); }
    bool dark() const { return dark_; }
    const SignGeometry& geometry() const { return engine_->geometry(); }
    // The items the player is given in display-window mode 1; empty optional: all of them.
    const std::optional<std::vector<uint16_t>>& shownItems() const { return source_.shown(); }

  private:
    void restart(uint64_t nowMs, const LocalDateTime& signNow, std::vector<uint16_t>* items);
    // The items to show at this minute, filled into window_; null in mode 0.
    std::vector<uint16_t>* itemsInWindow(const LocalDateTime& signNow);

    const ImageSource& memory_;
    WindowedImageSource source_;
    std::unique_ptr<SignEngine> engine_;
    std::unique_ptr<PlanePair> blank_;
    std::vector<uint16_t> window_;  // reserved for the whole item table: the loop allocates nothing
    int lastMinute_ = -1;           // of the day, when the window was last looked at
    bool dark_ = false;
};

// Whether hh:mm lies in the period from start to end (minutes of the day): start included, end
// not; a period whose end comes before its start runs over midnight; start == end is the whole day.
bool insidePeriod(int minute, int start, int end);

// The share of full brightness at a SetBrightness level: level 0 (the menu's "1") about a tenth,
// level 9 full; full before any level was given (-1).
double brightnessShare(int level);

}  // namespace orb
