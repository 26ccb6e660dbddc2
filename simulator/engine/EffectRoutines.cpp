// The effect routines: one table of (effect, start, step) per phase. An effect without a row in
// its phase's table arms nothing: the start still captures the band, and steps leave it as it is.
#include "simulator/engine/EffectRoutines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace orb {

namespace {

// What a routine works on: the line's effect, the sign's geometry and the working pair.
struct Fx {
    PlanePair& working;
    int line;
    EffectState& e;
    int w;           // bytes per row
    int p;           // pixels per row
    int h;           // LED rows of the sign
    int r;           // the line's rows
    int period = 0;  // set by a start: the speed code the line ticks at
};

using Routine = void (*)(Fx&);
template <typename Effect>
struct Routines {
    Effect effect;
    Routine start;
    Routine step;
};

// Puts R rows of a pair (row 0 = the line's first row) into the line's band of the working pair.
void show(Fx& f, const PlanePair& picture) {
    copyRows(f.working, f.e.startRow, picture, 0, f.r);
}

void finishEntry(Fx& f) {
    show(f, f.e.captured);
    f.e.done = true;
}

void finishExit(Fx& f) {
    clearRows(f.working, f.e.startRow, f.r);
    f.e.done = true;
}

void clearFrame(Fx& f, int rows) {
    clearRows(f.e.frame, 0, rows);
}

// --- start routines --------------------------------------------------------------------------

void periodFromSpeed(Fx& f) {
    f.period = f.e.speed;
}

void columnFromLeft(Fx& f) {
    periodFromSpeed(f);
    f.e.columnCursor = 0;
}

void columnFromRight(Fx& f) {
    periodFromSpeed(f);
    f.e.columnCursor = static_cast<int16_t>(f.p - 1);
}

void rowsFromZero(Fx& f) {
    periodFromSpeed(f);
    f.e.rowCursor = 0;
}

void halvesFromCentre(Fx& f) {
    periodFromSpeed(f);
    f.e.leftCursor = f.e.rightCursor = static_cast<int16_t>(f.p / 2);
}

void halvesFromEdges(Fx& f) {
    periodFromSpeed(f);
    f.e.leftCursor = 0;
    f.e.rightCursor = static_cast<int16_t>(f.p - 1);
}

void shakeStart(Fx& f) {
    periodFromSpeed(f);
    f.e.shake = {};
}

int32_t rateFromSpeed(int s) {
    return s < 4 ? (4 - s) * 65536 : 65536 / (s - 3);
}

void turnStart(Fx& f, int degrees) {
    f.period = 3;  // rotation and zoom always tick every 20 ms
    f.e.turn.rate = rateFromSpeed(f.e.speed);
    f.e.turn.degrees = degrees * 65536;
    f.e.turn.centreX = (f.p / 2) * 65536;
    f.e.turn.centreY = (f.r / 2) * 65536;
}

void rotateUpStart(Fx& f) {
    turnStart(f, 0);
}
void rotateDownStart(Fx& f) {
    turnStart(f, 359);
}

void zoomStart(Fx& f) {
    f.period = 3;
    f.e.zoom.rate = rateFromSpeed(f.e.speed);
    f.e.zoom.growing = false;
    f.e.zoom.size = (f.p - 1) * 65536;
}

// --- entry and exit steps ----------------------------------------------------------------------
// An entry and the exit that mirrors it run the same sweep: one tick finishes once the sweep is
// over, or draws, moves the cursor and shows what it drew.

// Column sweeps: the cursor runs up to the last column, or down to the first.
struct ColumnsUp {
    static bool over(const Fx& f) { return f.e.columnCursor >= f.p - 1; }
    static void move(Fx& f) { ++f.e.columnCursor; }
};
struct ColumnsDown {
    static bool over(const Fx& f) { return f.e.columnCursor <= 0; }
    static void move(Fx& f) { --f.e.columnCursor; }
};
// Two-sided sweeps: the cursors part from the centre to the edges, or meet from the edges.
struct CursorsPart {
    static bool over(const Fx& f) { return f.e.leftCursor <= 0; }
    static void move(Fx& f) {
        --f.e.leftCursor;
        ++f.e.rightCursor;
    }
};
struct CursorsMeet {
    static bool over(const Fx& f) { return f.e.leftCursor >= f.p / 2 - 1; }
    static void move(Fx& f) {
        ++f.e.leftCursor;
        --f.e.rightCursor;
    }
};
// Row sweeps: one row a tick, over all the line's rows or half of them.
template <int kDivisor>
struct Rows {
    static bool over(const Fx& f) { return f.e.rowCursor >= f.r / kDivisor; }
    static void move(Fx& f) { ++f.e.rowCursor; }
};
using AllRows = Rows<1>;
using HalfTheRows = Rows<2>;

using Draw = const PlanePair& (*)(Fx&);

template <typename Sweep, Draw draw, void (*finish)(Fx&)>
void sweep(Fx& f) {
    if (Sweep::over(f)) return finish(f);
    const PlanePair& drawn = draw(f);
    Sweep::move(f);
    show(f, drawn);
}
template <typename Sweep, Draw draw>
constexpr Routine entering = sweep<Sweep, draw, finishEntry>;
template <typename Sweep, Draw draw>
constexpr Routine leaving = sweep<Sweep, draw, finishExit>;

using RowShift = void (*)(uint8_t*, int, bool);

// Copies `count` rows of the captured picture from row `from` into the frame at row `to`.
void copyRun(Fx& f, int to, int from, int count) {
    for (int i = 0; i < count; ++i) copyRowBytes(f.e.frame, to + i, f.e.captured, from + i, f.w);
}

// Entry draws: the frame takes in the captured picture.

// The frame moves one pixel along; the captured column at the cursor comes in.
template <RowShift shift>
const PlanePair& columnIn(Fx& f) {
    for (int k = 0; k < f.r; ++k) {
        shift(f.e.frame.red.row(k), f.w, bitAt(f.e.captured.red.row(k), f.e.columnCursor));
        shift(f.e.frame.green.row(k), f.w, bitAt(f.e.captured.green.row(k), f.e.columnCursor));
    }
    return f.e.frame;
}

// Each half of the frame moves one pixel along; the captured columns at the cursors come in.
template <RowShift left, RowShift right>
const PlanePair& halvesIn(Fx& f) {
    const int half = f.w / 2, a = f.e.leftCursor, b = f.e.rightCursor;
    for (int k = 0; k < f.r; ++k) {
        for (auto [frame, captured] : {std::pair{&f.e.frame.red, &f.e.captured.red},
                                       std::pair{&f.e.frame.green, &f.e.captured.green}}) {
            uint8_t* row = frame->row(k);
            const uint8_t* source = captured->row(k);
            left(row, half, a < f.p && bitAt(source, a));
            right(row + half, f.w - half, b < f.p && bitAt(source, b));
        }
    }
    return f.e.frame;
}

const PlanePair& bottomRowsToTop(Fx& f) {
    const int n = f.e.rowCursor;
    copyRun(f, 0, f.r - n, n);
    return f.e.frame;
}

const PlanePair& topRowsToBottom(Fx& f) {
    const int n = f.e.rowCursor;
    copyRun(f, f.r - n, 0, n);
    return f.e.frame;
}

const PlanePair& middleRowsToEdges(Fx& f) {
    const int mid = f.r / 2, n = f.e.rowCursor;
    copyRun(f, 0, mid - n, n);
    copyRun(f, f.r - n, mid, n);
    return f.e.frame;
}

const PlanePair& edgeRowsToMiddle(Fx& f) {
    const int mid = f.r / 2, n = f.e.rowCursor;
    copyRun(f, mid - n, 0, n + 1);
    copyRun(f, mid, f.r - 1 - n, n + 1);  // wins on the middle row
    return f.e.frame;
}

// Exit draws: the captured picture moves out, blank coming in.

template <RowShift shift>
const PlanePair& columnOut(Fx& f) {
    for (int k = 0; k < f.r; ++k) {
        shift(f.e.captured.red.row(k), f.w, false);
        shift(f.e.captured.green.row(k), f.w, false);
    }
    return f.e.captured;
}

template <RowShift left, RowShift right>
const PlanePair& halvesOut(Fx& f) {
    const int half = f.w / 2;
    for (int k = 0; k < f.r; ++k)
        for (BitPlane* plane : {&f.e.captured.red, &f.e.captured.green}) {
            left(plane->row(k), half, false);
            right(plane->row(k) + half, f.w - half, false);
        }
    return f.e.captured;
}

const PlanePair& rowsOutTop(Fx& f) {
    const int n = f.e.rowCursor;
    clearFrame(f, f.r);
    copyRun(f, 0, n, f.r - n);
    return f.e.frame;
}

const PlanePair& rowsOutBottom(Fx& f) {
    const int n = f.e.rowCursor;
    clearFrame(f, f.r);
    copyRun(f, n, 0, f.r - n);
    return f.e.frame;
}

const PlanePair& rowsIntoMiddle(Fx& f) {
    const int mid = f.r / 2, n = f.e.rowCursor;
    clearFrame(f, f.h);
    copyRun(f, n, 0, mid - n);
    copyRun(f, mid, mid + n, f.r - n - mid);
    return f.e.frame;
}

const PlanePair& rowsOutTopAndBottom(Fx& f) {
    const int mid = f.r / 2, n = f.e.rowCursor;
    clearFrame(f, f.h);
    copyRun(f, 0, n, mid - n);
    copyRun(f, mid + n, mid, f.r - mid - n);
    return f.e.frame;
}

// --- hold steps ------------------------------------------------------------------------------

enum class Shift { Same, Left, Right, Up, Down };

void shifted(Fx& f, Shift s) {
    clearFrame(f, f.r);
    for (int k = 0; k < f.r; ++k) {
        if (s == Shift::Up && k + 1 < f.r) copyRowBytes(f.e.frame, k, f.e.captured, k + 1, f.w);
        if (s == Shift::Down && k + 1 < f.r) copyRowBytes(f.e.frame, k + 1, f.e.captured, k, f.w);
        if (s == Shift::Same || s == Shift::Left || s == Shift::Right)
            copyRowBytes(f.e.frame, k, f.e.captured, k, f.w);
        if (s == Shift::Left)
            for (BitPlane* plane : {&f.e.frame.red, &f.e.frame.green})
                shiftRowLeft(plane->row(k), f.w, false);
        if (s == Shift::Right)
            for (BitPlane* plane : {&f.e.frame.red, &f.e.frame.green})
                shiftRowRight(plane->row(k), f.w, false);
    }
}

void shake(Fx& f, const std::array<Shift, 4>& cycle) {
    shifted(f, cycle[f.e.shake.step & 3]);
    show(f, f.e.frame);
    if (++f.e.shake.ticks == 3) {
        f.e.shake.ticks = 0;
        f.e.shake.step = static_cast<uint8_t>((f.e.shake.step + 1) & 3);
    }
}

void shakeSideways(Fx& f) {
    shake(f, {Shift::Same, Shift::Left, Shift::Same, Shift::Right});
}
void shakeUpDown(Fx& f) {
    shake(f, {Shift::Same, Shift::Up, Shift::Same, Shift::Down});
}
void shakeAround(Fx& f) {
    shake(f, {Shift::Right, Shift::Up, Shift::Left, Shift::Down});
}

// cos(i degrees) x 65536, truncated toward zero; computed once, before any step.
const std::array<int32_t, 360>& cosineTable() {
    static const std::array<int32_t, 360> table = [] {
        std::array<int32_t, 360> t{};
        for (int i = 0; i < 360; ++i) {
            const long double v =
                std::cos(static_cast<long double>(i) * 3.14159265358979323846264338327950288L / 180) * 65536;
            const long double nearest = std::round(v);
            // Values that are whole numbers in exact arithmetic (0.5 x 65536, say) stay whole.
            t[static_cast<size_t>(i)] =
                static_cast<int32_t>(std::fabs(v - nearest) < 1e-6L ? nearest : std::trunc(v));
        }
        return t;
    }();
    return table;
}

void rotate(Fx& f, bool increasing) {
    clearFrame(f, f.r);
    const auto& cosine = cosineTable();
    EffectState::Turn& turn = f.e.turn;
    const int theta = (turn.degrees >> 16) % 360;
    const int32_t c = cosine[static_cast<size_t>(theta < 0 ? theta + 360 : theta)];
    const int32_t s = cosine[static_cast<size_t>((theta + 270 + 360) % 360)];
    for (int row = 0; row < f.r; ++row) {
        const int32_t u = row - f.r / 2;
        // Source row and column move by -S and C per column: add instead of multiplying.
        int32_t sourceRow = c * u - s * (0 - f.p / 2) + turn.centreY + 32767;
        int32_t sourceCol = s * u + c * (0 - f.p / 2) + turn.centreX + 32767;
        uint8_t* redOut = f.e.frame.red.row(row);
        uint8_t* greenOut = f.e.frame.green.row(row);
        for (int x = 0; x < f.p; ++x, sourceRow -= s, sourceCol += c) {
            const int32_t sr = sourceRow >> 16, sc = sourceCol >> 16;
            if (sr < 0 || sr >= f.r || sc < 0 || sc >= f.p) continue;
            if (bitAt(f.e.captured.red.row(sr), sc)) setBitAt(redOut, x, true);
            if (bitAt(f.e.captured.green.row(sr), sc)) setBitAt(greenOut, x, true);
        }
    }
    show(f, f.e.frame);
    const int32_t by = (f.line == 3 ? 4 : 3) * turn.rate;
    if (increasing) {
        turn.degrees += by;
        if ((turn.degrees >> 16) >= 360) turn.degrees -= 360 * 65536;
    } else {
        turn.degrees -= by;
        if (static_cast<uint16_t>(turn.degrees >> 16) >= 360) turn.degrees += 360 * 65536;
    }
}

void rotateUp(Fx& f) {
    rotate(f, true);
}
void rotateDown(Fx& f) {
    rotate(f, false);
}

void zoom(Fx& f, bool stretch) {
    clearFrame(f, f.r);
    EffectState::Zoom& zoom = f.e.zoom;
    const uint32_t size = static_cast<uint32_t>(zoom.size);
    const uint32_t k = std::min<uint32_t>(size / static_cast<uint32_t>(f.p - 1), 65536);
    const uint32_t margin = (static_cast<uint32_t>(f.p) * 65536 - size) / 2;
    for (int row = 0; row < f.r; ++row) {
        for (int plane = 0; plane < 2; ++plane) {
            const uint8_t* in = plane ? f.e.captured.green.row(row) : f.e.captured.red.row(row);
            uint8_t* out = plane ? f.e.frame.green.row(row) : f.e.frame.red.row(row);
            for (int j = 0; j < f.p; ++j) {
                const int mapped = static_cast<int>((margin + static_cast<uint32_t>(j) * k) >> 16);
                if (mapped >= f.p) continue;
                if (stretch) {
                    if (bitAt(in, mapped)) setBitAt(out, j, true);  // the middle stretched over the width
                } else if (bitAt(in, j)) {
                    setBitAt(out, mapped, true);  // the whole squeezed into the middle
                }
            }
        }
    }
    show(f, f.e.frame);
    if (!zoom.growing) {
        zoom.size -= 2 * zoom.rate;
        const int16_t whole = static_cast<int16_t>(zoom.size >> 16);
        if (stretch ? whole < f.p / 2 : whole <= f.p / 2) zoom.growing = true;
    } else {
        zoom.size += 2 * zoom.rate;
        if ((zoom.size >> 16) >= f.p - 1) {
            zoom.size = (f.p - 1) * 65536;
            zoom.growing = false;
        }
    }
}

void shrinkAndGrow(Fx& f) {
    zoom(f, false);
}
void growAndShrink(Fx& f) {
    zoom(f, true);
}

using E = EntryEffect;
using H = HoldEffect;
using X = ExitEffect;

constexpr Routines<EntryEffect> kEntryRoutines[] = {
    {E::FromRight, columnFromLeft, entering<ColumnsUp, columnIn<shiftRowLeft>>},
    {E::FromLeft, columnFromRight, entering<ColumnsDown, columnIn<shiftRowRight>>},
    {E::FromTop, rowsFromZero, entering<AllRows, bottomRowsToTop>},
    {E::FromBottom, rowsFromZero, entering<AllRows, topRowsToBottom>},
    {E::CloseToCentre, halvesFromCentre, entering<CursorsPart, halvesIn<shiftRowRight, shiftRowLeft>>},
    {E::OpenFromCentre, halvesFromEdges, entering<CursorsMeet, halvesIn<shiftRowLeft, shiftRowRight>>},
    {E::CloseToMiddleRow, rowsFromZero, entering<HalfTheRows, middleRowsToEdges>},
    {E::OpenFromMiddleRow, rowsFromZero, entering<HalfTheRows, edgeRowsToMiddle>},
};

constexpr Routines<HoldEffect> kHoldRoutines[] = {
    {H::ShakeSideways, shakeStart, shakeSideways}, {H::ShakeUpDown, shakeStart, shakeUpDown},
    {H::ShakeAround, shakeStart, shakeAround},     {H::RotateLeft, rotateUpStart, rotateUp},
    {H::RotateRight, rotateDownStart, rotateDown}, {H::ShrinkAndGrow, zoomStart, shrinkAndGrow},
    {H::GrowAndShrink, zoomStart, growAndShrink},
};

constexpr Routines<ExitEffect> kExitRoutines[] = {
    {X::ToRight, columnFromLeft, leaving<ColumnsUp, columnOut<shiftRowRight>>},
    {X::ToLeft, columnFromRight, leaving<ColumnsDown, columnOut<shiftRowLeft>>},
    {X::Up, rowsFromZero, leaving<AllRows, rowsOutTop>},
    {X::Down, rowsFromZero, leaving<AllRows, rowsOutBottom>},
    {X::ToCentre, halvesFromCentre, leaving<CursorsPart, halvesOut<shiftRowRight, shiftRowLeft>>},
    {X::ToBothSides, halvesFromEdges, leaving<CursorsMeet, halvesOut<shiftRowLeft, shiftRowRight>>},
    {X::ToMiddleRow, rowsFromZero, leaving<HalfTheRows, rowsIntoMiddle>},
    {X::UpAndDown, rowsFromZero, leaving<HalfTheRows, rowsOutTopAndBottom>},
};

template <typename Effect, size_t N>
constexpr std::array<Effect, N> effectsOf(const Routines<Effect> (&table)[N]) {
    std::array<Effect, N> effects{};
    for (size_t i = 0; i < N; ++i) effects[i] = table[i].effect;
    return effects;
}
constexpr auto kEntryOrder = effectsOf(kEntryRoutines);
constexpr auto kHoldOrder = effectsOf(kHoldRoutines);
constexpr auto kExitOrder = effectsOf(kExitRoutines);

Fx fxOf(EffectState& e, const EffectTarget& t) {
    return Fx{t.working, t.line, e, t.geometry.bytesPerRow(), t.geometry.pixels(), t.geometry.ledRows(),
              e.rows};
}

template <typename Effect, size_t N>
int start(EffectState& e, const EffectTarget& t, const Routines<Effect> (&table)[N], EffectPhase phase,
          Effect effect, int speed, int startRow, int rows) {
    clearRows(e.frame, 0, t.geometry.ledRows());
    e.phase = phase;
    e.speed = static_cast<uint8_t>(speed);
    e.rows = rows;
    e.startRow = startRow;
    e.done = false;
    copyRows(e.captured, 0, t.working, startRow, rows);
    const auto* row =
        std::find_if(std::begin(table), std::end(table), [&](const auto& r) { return r.effect == effect; });
    e.routine =
        row == std::end(table) ? EffectState::kNoRoutine : static_cast<uint8_t>(row - std::begin(table));
    if (e.routine == EffectState::kNoRoutine) return 0;
    Fx f = fxOf(e, t);
    row->start(f);
    return f.period;
}

template <typename Effect, size_t N>
void step(EffectState& e, const EffectTarget& t, const Routines<Effect> (&table)[N]) {
    if (e.routine >= N) return;
    Fx f = fxOf(e, t);
    table[e.routine].step(f);
}

}  // namespace

int startEffect(EffectState& e, const EffectTarget& t, EntryEffect effect, int speed, int startRow,
                int rows) {
    return start(e, t, kEntryRoutines, EffectPhase::Entry, effect, speed, startRow, rows);
}
int startEffect(EffectState& e, const EffectTarget& t, HoldEffect effect, int speed, int startRow, int rows) {
    return start(e, t, kHoldRoutines, EffectPhase::Hold, effect, speed, startRow, rows);
}
int startEffect(EffectState& e, const EffectTarget& t, ExitEffect effect, int speed, int startRow, int rows) {
    return start(e, t, kExitRoutines, EffectPhase::Exit, effect, speed, startRow, rows);
}

void stepEffect(EffectState& e, const EffectTarget& t) {
    switch (e.phase) {
        case EffectPhase::Entry:
            return step(e, t, kEntryRoutines);
        case EffectPhase::Hold:
            return step(e, t, kHoldRoutines);
        case EffectPhase::Exit:
            return step(e, t, kExitRoutines);
    }
}

std::span<const EntryEffect> entryEffectsWithRoutines() {
    return kEntryOrder;
}
std::span<const HoldEffect> holdEffectsWithRoutines() {
    return kHoldOrder;
}
std::span<const ExitEffect> exitEffectsWithRoutines() {
    return kExitOrder;
}

}  // namespace orb
