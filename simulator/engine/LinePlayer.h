#pragma once
// A line player: one line of the current item with everything the line owns: the item's values
// for it, its course through entry, hold, reveal and exit, its running effect, its tick (period,
// deadline, which line set it draws into) and its pictures (text, entry cells, scroll canvas).
#include <array>
#include <cstdint>
#include <string_view>

#include "image/EffectCatalogue.h"
#include "image/ItemHeader.h"
#include "simulator/engine/EffectRoutines.h"
#include "simulator/engine/TextDrawer.h"

namespace orb {

// Where a sentence or bitmap line is in its course.
enum class Course : uint8_t { Entering, Holding, Revealing, HoldingAgain, Exiting };

// A bitmap's rows as read from the image, for the pass-through: 160 rows of up to 4096 pixels.
struct ScrollCanvas {
    static constexpr int kRows = 160;
    static constexpr int kBytesPerRow = 512;
    std::array<uint8_t, size_t{kRows} * kBytesPerRow> red{}, green{};
    const uint8_t* redRow(int k) const { return &red[size_t(k) * kBytesPerRow]; }
    const uint8_t* greenRow(int k) const { return &green[size_t(k) * kBytesPerRow]; }
};

class LinePlayer {
  public:
    // --- The tick ---------------------------------------------------------------------------
    // Sets the period from a speed code: 10 x (code - 1) ms, the code clamped to 2..6.
    void setPeriod(int speedCode);
    uint8_t period() const { return period_; }
    uint64_t deadline() const { return deadline_; }
    bool stepDone() const { return stepDone_; }
    // Forgets the tick: due at once, set A shown and drawn into.
    void resetTick();
    // The first deadline, one period after nowMs.
    void scheduleFrom(uint64_t nowMs) { deadline_ = nowMs + period_; }
    // After a pass at nowMs: past its deadline, the line is due again one period later.
    void renew(uint64_t nowMs);
    // A step draws into the set not shown, and shows it when done.
    void beginStep() { drawSet_ = static_cast<uint8_t>(shownSet_ ^ 1); }
    void endStep() {
        shownSet_ = drawSet_;
        stepDone_ = true;
    }
    uint8_t shownSet() const { return shownSet_; }
    uint8_t drawSet() const { return drawSet_; }

    // --- The item's values for this line ----------------------------------------------------
    uint8_t heightModules = 0;
    ContentKind kind = ContentKind::None;
    EntryEffect entry = EntryEffect::None;
    HoldEffect hold = HoldEffect::None;
    ExitEffect exit = ExitEffect::None;
    uint8_t holdSeconds = 1;
    uint8_t entrySpeed = 0, holdSpeed = 0, exitSpeed = 0;  // stored speeds 0..4
    uint16_t contentWidth = 0, contentHeight = 0, frameCount = 0;
    uint8_t animationSpeed = 0;
    uint64_t dataOffset = 0;  // bytes into the image
    DdayDate dday;

    // --- Band and course ----------------------------------------------------------------------
    int startRow = 0;  // the band: its first LED row and its row count, inside the planes
    int rowCount = 0;
    Course course = Course::Entering;
    bool finished = false;
    uint16_t holdTicks = 0;  // ticks left of the hold (or of a clock's, temperature's, D-day's show)
    uint8_t animationTicks = 0;
    uint16_t frameIndex = 0;
    uint8_t blink = 0;  // the clock's colon: 60 ticks a cycle

    // --- Text lines: at most 511 bytes and a zero; a D-day line's count text apart ------------
    std::array<char, 512> text{};
    std::array<uint16_t, 512> attributes{};
    int textWidth = 0, textX = 0, textY = 0;
    std::array<char, 32> countText{};

    // --- Motions ------------------------------------------------------------------------------
    int passCursor = 0;  // the screen column of the passing content's first column
    int passWidth = 0;   // the passing content's width in pixels
    uint16_t scrollRow = 0;
    EntryCells cells;
    EffectState effect;
    ScrollCanvas canvas;

    std::string_view textView() const;
    size_t textLength() const { return textView().size(); }
    std::string_view countView() const;
    // A hold of holdSeconds in line ticks (the sign's tick divisor is 16).
    uint16_t holdTickCount() const { return static_cast<uint16_t>(holdSeconds * 1000 / 16); }
    bool bigFont() const { return heightModules != 1; }

  private:
    uint8_t period_ = 20;  // ms, 10..50
    bool stepDone_ = false;
    uint8_t shownSet_ = 0;  // 0: line set A, 1: set B
    uint8_t drawSet_ = 0;
    uint64_t deadline_ = 0;
};

// The sign's tick divisor: a hold of s seconds lasts s * 1000 / 16 line ticks.
inline constexpr int kTickDivisor = 1000 / 60;

}  // namespace orb
