#pragma once
// The effect catalogue's routines: every entry, hold and exit effect that moves a picture in place
// (all but none, pass-across and scroll-up) as a start and a step routine over one line's band of
// the working pair. Integer and 16.16 fixed-point arithmetic only.
#include <cstdint>
#include <span>

#include "image/EffectCatalogue.h"
#include "simulator/engine/BitPlane.h"
#include "simulator/engine/SignGeometry.h"

namespace orb {

enum class EffectPhase : uint8_t { Entry = 0, Hold = 1, Exit = 2 };

// One line's running effect: the picture it moves (captured when it starts, row 0 = the band's
// first row) and the frame it builds. Each family of routines has its own fields.
struct EffectState {
    static constexpr uint8_t kNoRoutine = 0xFF;

    EffectPhase phase = EffectPhase::Entry;
    uint8_t routine = kNoRoutine;  // index in the phase's routine table
    uint8_t speed = 2;             // speed code 2..6
    bool done = false;             // an entry or exit has finished
    int startRow = 0;              // the band in the working pair
    int rows = 0;                  // R, its row count

    // Sweeps: rows moved so far, the column a one-sided sweep reached, the two columns a
    // two-sided one reached.
    int16_t rowCursor = 0, columnCursor = 0, leftCursor = 0, rightCursor = 0;
    struct Shake {
        uint8_t step = 0;   // position in the four-step cycle
        uint8_t ticks = 0;  // ticks spent at it (three each)
    } shake;
    struct Turn {
        int32_t rate = 0;                  // 16.16 degrees per tick and line step
        int32_t degrees = 0;               // 16.16 angle, 0..360
        int32_t centreX = 0, centreY = 0;  // 16.16 pixels
    } turn;
    struct Zoom {
        int32_t rate = 0;  // 16.16 pixels per tick, half of the size's change
        int32_t size = 0;  // 16.16 width in pixels of the picture as drawn
        bool growing = false;
    } zoom;
    PlanePair captured;
    PlanePair frame;
};

// Where a routine works: the working pair of a sign of this geometry, for line 1..3 (a rotation
// turns faster on line 3).
struct EffectTarget {
    PlanePair& working;
    const SignGeometry& geometry;
    int line;
};

// Captures rows [startRow, startRow + rows) of the working pair and arms the effect at speed code
// `speed`. Returns the speed code the line is to tick at while the effect runs, or 0 when the
// effect has no routine here: its steps then leave the band as captured and it never finishes.
int startEffect(EffectState& e, const EffectTarget& t, EntryEffect effect, int speed, int startRow, int rows);
int startEffect(EffectState& e, const EffectTarget& t, HoldEffect effect, int speed, int startRow, int rows);
int startEffect(EffectState& e, const EffectTarget& t, ExitEffect effect, int speed, int startRow, int rows);

// One tick: builds the next frame into the band; an entry or an exit sets done when it has ended.
void stepEffect(EffectState& e, const EffectTarget& t);

// The effects that have a routine, in the order of the routine tables.
std::span<const EntryEffect> entryEffectsWithRoutines();
std::span<const HoldEffect> holdEffectsWithRoutines();
std::span<const ExitEffect> exitEffectsWithRoutines();

}  // namespace orb
