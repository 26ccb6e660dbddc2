// The effect engine: entry, hold and exit effects as one table of (start, step) routines per
// phase. A code outside its phase's table arms nothing: the start still captures the band, and
// steps leave it as it is. Integer and 16.16 fixed-point arithmetic only.
#include <array>
#include <cmath>
#include <cstring>
#include <span>

#include "simulator/engine/SignEngine.h"

namespace orb {

namespace {

// What a routine works on: the line's effect, the sign's geometry and the working pair.
struct Fx {
    SignEngine& engine;
    int line;
    EffectState& e;
    int w;  // bytes per row
    int p;  // pixels per row
    int h;  // LED rows of the sign
    int r;  // the line's rows
};

using Routine = void (*)(Fx&);
struct EffectRoutines {
    Routine start;
    Routine step;
};

// --- rows and pixels -----------------------------------------------------------------------

bool pixel(const uint8_t* row, int x) {
    return bitAt(row, x);
}
void setPixel(uint8_t* row, int x, bool on) {
    const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = on ? static_cast<uint8_t>(row[x >> 3] | bit) : static_cast<uint8_t>(row[x >> 3] & ~bit);
}

// Shifts bytes [from, to) of a row one pixel right; `enter` becomes the first pixel.
void shiftRight(uint8_t* row, int from, int to, bool enter) {
    for (int i = to - 1; i >= from; --i) {
        const uint8_t carry = i > from ? static_cast<uint8_t>(row[i - 1] << 7) : (enter ? 0x80 : 0);
        row[i] = static_cast<uint8_t>((row[i] >> 1) | carry);
    }
}

// Shifts bytes [from, to) one pixel left; `enter` becomes the last pixel.
void shiftLeft(uint8_t* row, int from, int to, bool enter) {
    shiftRowLeft(row + from, to - from, enter);
}

void copyRow(PlanePair& to, int toRow, const PlanePair& from, int fromRow, int bytes) {
    std::memcpy(to.red.row(toRow), from.red.row(fromRow), static_cast<size_t>(bytes));
    std::memcpy(to.green.row(toRow), from.green.row(fromRow), static_cast<size_t>(bytes));
}

// Puts R rows of a pair (row 0 = the line's first row) into the line's band of the working pair.
void show(Fx& f, const PlanePair& picture) {
    PlanePair& working = f.engine.workingPair();
    for (int k = 0; k < f.r; ++k) copyRow(working, f.e.startRow + k, picture, k, BitPlane::kBytesPerRow);
}

void finishEntry(Fx& f) {
    show(f, f.e.captured);
    f.e.done = true;
}

void finishExit(Fx& f) {
    clearRows(f.engine.workingPair(), f.e.startRow, f.r);
    f.e.done = true;
}

void clearFrame(Fx& f, int rows) {
    clearRows(f.e.frame, 0, rows);
}

// --- start routines --------------------------------------------------------------------------

void periodFromSpeed(Fx& f) {
    f.engine.setLinePeriod(f.line, f.e.speed);
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
    f.e.shakeStep = 0;
    f.e.shakeTicks = 0;
}

int32_t rateFromSpeed(int s) {
    return s < 4 ? (4 - s) * 65536 : 65536 / (s - 3);
}

void turnStart(Fx& f, int degrees) {
    f.engine.setLinePeriod(f.line, 3);  // rotation and zoom always tick every 20 ms
    f.e.rate = rateFromSpeed(f.e.speed);
    f.e.angle = degrees * 65536;
    f.e.centreX = (f.p / 2) * 65536;
    f.e.centreY = (f.r / 2) * 65536;
}

void rotateUpStart(Fx& f) {
    turnStart(f, 0);
}
void rotateDownStart(Fx& f) {
    turnStart(f, 359);
}

void zoomStart(Fx& f) {
    f.engine.setLinePeriod(f.line, 3);
    f.e.rate = rateFromSpeed(f.e.speed);
    f.e.growing = false;
    f.e.angle = (f.p - 1) * 65536;
}

// --- entry steps -----------------------------------------------------------------------------

void enterFromRight(Fx& f) {
    if (f.e.columnCursor >= f.p - 1) return finishEntry(f);
    for (int k = 0; k < f.r; ++k) {
        shiftLeft(f.e.frame.red.row(k), 0, f.w, pixel(f.e.captured.red.row(k), f.e.columnCursor));
        shiftLeft(f.e.frame.green.row(k), 0, f.w, pixel(f.e.captured.green.row(k), f.e.columnCursor));
    }
    ++f.e.columnCursor;
    show(f, f.e.frame);
}

void enterFromLeft(Fx& f) {
    if (f.e.columnCursor <= 0) return finishEntry(f);
    for (int k = 0; k < f.r; ++k) {
        shiftRight(f.e.frame.red.row(k), 0, f.w, pixel(f.e.captured.red.row(k), f.e.columnCursor));
        shiftRight(f.e.frame.green.row(k), 0, f.w, pixel(f.e.captured.green.row(k), f.e.columnCursor));
    }
    --f.e.columnCursor;
    show(f, f.e.frame);
}

void enterFromTop(Fx& f) {
    if (f.e.rowCursor >= f.r) return finishEntry(f);
    const int n = f.e.rowCursor;
    for (int i = 0; i < n; ++i) copyRow(f.e.frame, i, f.e.captured, f.r - n + i, f.w);
    ++f.e.rowCursor;
    show(f, f.e.frame);
}

void enterFromBottom(Fx& f) {
    if (f.e.rowCursor >= f.r) return finishEntry(f);
    const int n = f.e.rowCursor;
    for (int i = 0; i < n; ++i) copyRow(f.e.frame, f.r - n + i, f.e.captured, i, f.w);
    ++f.e.rowCursor;
    show(f, f.e.frame);
}

void closeToCentre(Fx& f) {
    if (f.e.leftCursor <= 0) return finishEntry(f);
    const int half = f.w / 2, a = f.e.leftCursor, b = f.e.rightCursor;
    for (int k = 0; k < f.r; ++k) {
        for (auto [frame, captured] : {std::pair{&f.e.frame.red, &f.e.captured.red},
                                       std::pair{&f.e.frame.green, &f.e.captured.green}}) {
            uint8_t* row = frame->row(k);
            const uint8_t* source = captured->row(k);
            shiftRight(row, 0, half, a < f.p && pixel(source, a));
            shiftLeft(row, half, f.w, b < f.p && pixel(source, b));
        }
    }
    --f.e.leftCursor;
    ++f.e.rightCursor;
    show(f, f.e.frame);
}

void openFromCentre(Fx& f) {
    if (f.e.leftCursor >= f.p / 2 - 1) return finishEntry(f);
    const int half = f.w / 2, a = f.e.leftCursor, b = f.e.rightCursor;
    for (int k = 0; k < f.r; ++k) {
        for (auto [frame, captured] : {std::pair{&f.e.frame.red, &f.e.captured.red},
                                       std::pair{&f.e.frame.green, &f.e.captured.green}}) {
            uint8_t* row = frame->row(k);
            const uint8_t* source = captured->row(k);
            shiftLeft(row, 0, half, pixel(source, a));
            shiftRight(row, half, f.w, pixel(source, b));
        }
    }
    ++f.e.leftCursor;
    --f.e.rightCursor;
    show(f, f.e.frame);
}

void closeToMiddleRow(Fx& f) {
    const int mid = f.r / 2;
    if (f.e.rowCursor >= mid) return finishEntry(f);
    const int n = f.e.rowCursor;
    for (int i = 0; i < n; ++i) copyRow(f.e.frame, i, f.e.captured, mid - n + i, f.w);
    for (int i = 0; i < n; ++i) copyRow(f.e.frame, f.r - n + i, f.e.captured, mid + i, f.w);
    ++f.e.rowCursor;
    show(f, f.e.frame);
}

void openFromMiddleRow(Fx& f) {
    const int mid = f.r / 2;
    if (f.e.rowCursor >= mid) return finishEntry(f);
    const int n = f.e.rowCursor;
    for (int i = 0; i <= n; ++i) copyRow(f.e.frame, mid - n + i, f.e.captured, i, f.w);
    for (int i = 0; i <= n; ++i)
        copyRow(f.e.frame, mid + n - i, f.e.captured, f.r - 1 - i, f.w);  // wins on the middle row
    ++f.e.rowCursor;
    show(f, f.e.frame);
}

// --- exit steps ------------------------------------------------------------------------------

void leaveRight(Fx& f) {
    if (f.e.columnCursor >= f.p - 1) return finishExit(f);
    for (int k = 0; k < f.r; ++k) {
        shiftRight(f.e.captured.red.row(k), 0, f.w, false);
        shiftRight(f.e.captured.green.row(k), 0, f.w, false);
    }
    ++f.e.columnCursor;
    show(f, f.e.captured);
}

void leaveLeft(Fx& f) {
    if (f.e.columnCursor <= 0) return finishExit(f);
    for (int k = 0; k < f.r; ++k) {
        shiftLeft(f.e.captured.red.row(k), 0, f.w, false);
        shiftLeft(f.e.captured.green.row(k), 0, f.w, false);
    }
    --f.e.columnCursor;
    show(f, f.e.captured);
}

void leaveUp(Fx& f) {
    if (f.e.rowCursor >= f.r) return finishExit(f);
    const int n = f.e.rowCursor;
    clearFrame(f, f.r);
    for (int i = 0; i < f.r - n; ++i) copyRow(f.e.frame, i, f.e.captured, n + i, f.w);
    ++f.e.rowCursor;
    show(f, f.e.frame);
}

void leaveDown(Fx& f) {
    if (f.e.rowCursor >= f.r) return finishExit(f);
    const int n = f.e.rowCursor;
    clearFrame(f, f.r);
    for (int i = 0; i < f.r - n; ++i) copyRow(f.e.frame, n + i, f.e.captured, i, f.w);
    ++f.e.rowCursor;
    show(f, f.e.frame);
}

void vanishToCentre(Fx& f) {
    if (f.e.leftCursor <= 0) return finishExit(f);
    const int half = f.w / 2;
    for (int k = 0; k < f.r; ++k)
        for (BitPlane* plane : {&f.e.captured.red, &f.e.captured.green}) {
            shiftRight(plane->row(k), 0, half, false);
            shiftLeft(plane->row(k), half, f.w, false);
        }
    --f.e.leftCursor;
    ++f.e.rightCursor;
    show(f, f.e.captured);
}

void leaveToBothSides(Fx& f) {
    if (f.e.leftCursor >= f.p / 2 - 1) return finishExit(f);
    const int half = f.w / 2;
    for (int k = 0; k < f.r; ++k)
        for (BitPlane* plane : {&f.e.captured.red, &f.e.captured.green}) {
            shiftLeft(plane->row(k), 0, half, false);
            shiftRight(plane->row(k), half, f.w, false);
        }
    ++f.e.leftCursor;
    --f.e.rightCursor;
    show(f, f.e.captured);
}

void vanishToMiddleRow(Fx& f) {
    const int mid = f.r / 2;
    if (f.e.rowCursor >= mid) return finishExit(f);
    const int n = f.e.rowCursor;
    clearFrame(f, f.h);
    for (int i = 0; i < mid - n; ++i) copyRow(f.e.frame, n + i, f.e.captured, i, f.w);
    for (int i = 0; mid + i < f.r - n; ++i) copyRow(f.e.frame, mid + i, f.e.captured, mid + n + i, f.w);
    ++f.e.rowCursor;
    show(f, f.e.frame);
}

void leaveUpAndDown(Fx& f) {
    const int mid = f.r / 2;
    if (f.e.rowCursor >= mid) return finishExit(f);
    const int n = f.e.rowCursor;
    clearFrame(f, f.h);
    for (int i = 0; i < mid - n; ++i) copyRow(f.e.frame, i, f.e.captured, n + i, f.w);
    for (int i = 0; mid + n + i < f.r; ++i) copyRow(f.e.frame, mid + n + i, f.e.captured, mid + i, f.w);
    ++f.e.rowCursor;
    show(f, f.e.frame);
}

// --- hold steps ------------------------------------------------------------------------------

enum class Shift { Same, Left, Right, Up, Down };

void shifted(Fx& f, Shift s) {
    clearFrame(f, f.r);
    for (int k = 0; k < f.r; ++k) {
        if (s == Shift::Up && k + 1 < f.r) copyRow(f.e.frame, k, f.e.captured, k + 1, f.w);
        if (s == Shift::Down && k + 1 < f.r) copyRow(f.e.frame, k + 1, f.e.captured, k, f.w);
        if (s == Shift::Same || s == Shift::Left || s == Shift::Right)
            copyRow(f.e.frame, k, f.e.captured, k, f.w);
        if (s == Shift::Left)
            for (BitPlane* plane : {&f.e.frame.red, &f.e.frame.green})
                shiftLeft(plane->row(k), 0, f.w, false);
        if (s == Shift::Right)
            for (BitPlane* plane : {&f.e.frame.red, &f.e.frame.green})
                shiftRight(plane->row(k), 0, f.w, false);
    }
}

void shake(Fx& f, const std::array<Shift, 4>& cycle) {
    shifted(f, cycle[f.e.shakeStep & 3]);
    show(f, f.e.frame);
    if (++f.e.shakeTicks == 3) {
        f.e.shakeTicks = 0;
        f.e.shakeStep = static_cast<uint8_t>((f.e.shakeStep + 1) & 3);
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

void rotate(Fx& f, bool growing) {
    clearFrame(f, f.r);
    const auto& cosine = cosineTable();
    const int theta = (f.e.angle >> 16) % 360;
    const int32_t c = cosine[static_cast<size_t>(theta < 0 ? theta + 360 : theta)];
    const int32_t s = cosine[static_cast<size_t>((theta + 270 + 360) % 360)];
    for (int row = 0; row < f.r; ++row) {
        const int32_t u = row - f.r / 2;
        // Source row and column move by -S and C per column: add instead of multiplying.
        int32_t sourceRow = c * u - s * (0 - f.p / 2) + f.e.centreY + 32767;
        int32_t sourceCol = s * u + c * (0 - f.p / 2) + f.e.centreX + 32767;
        uint8_t* redOut = f.e.frame.red.row(row);
        uint8_t* greenOut = f.e.frame.green.row(row);
        for (int x = 0; x < f.p; ++x, sourceRow -= s, sourceCol += c) {
            const int32_t sr = sourceRow >> 16, sc = sourceCol >> 16;
            if (sr < 0 || sr >= f.r || sc < 0 || sc >= f.p) continue;
            if (pixel(f.e.captured.red.row(sr), sc)) setPixel(redOut, x, true);
            if (pixel(f.e.captured.green.row(sr), sc)) setPixel(greenOut, x, true);
        }
    }
    show(f, f.e.frame);
    const int32_t turn = (f.line == 3 ? 4 : 3) * f.e.rate;
    if (growing) {
        f.e.angle += turn;
        if ((f.e.angle >> 16) >= 360) f.e.angle -= 360 * 65536;
    } else {
        f.e.angle -= turn;
        if (static_cast<uint16_t>(f.e.angle >> 16) >= 360) f.e.angle += 360 * 65536;
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
    const uint32_t size = static_cast<uint32_t>(f.e.angle);
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
                    if (pixel(in, mapped)) setPixel(out, j, true);  // the middle stretched over the width
                } else if (pixel(in, j)) {
                    setPixel(out, mapped, true);  // the whole squeezed into the middle
                }
            }
        }
    }
    show(f, f.e.frame);
    if (!f.e.growing) {
        f.e.angle -= 2 * f.e.rate;
        const int16_t whole = static_cast<int16_t>(f.e.angle >> 16);
        if (stretch ? whole < f.p / 2 : whole <= f.p / 2) f.e.growing = true;
    } else {
        f.e.angle += 2 * f.e.rate;
        if ((f.e.angle >> 16) >= f.p - 1) {
            f.e.angle = (f.p - 1) * 65536;
            f.e.growing = false;
        }
    }
}

void shrinkAndGrow(Fx& f) {
    zoom(f, false);
}
void growAndShrink(Fx& f) {
    zoom(f, true);
}

constexpr EffectRoutines kEntryEffects[] = {
    {columnFromLeft, enterFromRight},   // 0 "오른쪽에서 들어오기"
    {columnFromRight, enterFromLeft},   // 1 "왼쪽에서 들어오기"
    {rowsFromZero, enterFromTop},       // 2 "위에서 들어오기"
    {rowsFromZero, enterFromBottom},    // 3 "아래에서 들어오기"
    {halvesFromCentre, closeToCentre},  // 4 "좌/우에서 가운데로 합치기"
    {halvesFromEdges, openFromCentre},  // 5 "가운데에서 좌/우로 나타나기"
    {rowsFromZero, closeToMiddleRow},   // 6 "위/아래에서 가운데로 합치기"
    {rowsFromZero, openFromMiddleRow},  // 7 "가운데에서 위/아래로 나타나기"
};

constexpr EffectRoutines kHoldEffects[] = {
    {shakeStart, shakeSideways},    // 0 "좌우로 흔들기"
    {shakeStart, shakeUpDown},      // 1 "상하로 흔들기"
    {shakeStart, shakeAround},      // 2 "상하좌우로 흔들기"
    {rotateUpStart, rotateUp},      // 3 "좌측으로 회전하기"
    {rotateDownStart, rotateDown},  // 4 "우측으로 회전하기"
    {zoomStart, shrinkAndGrow},     // 5 "축소 / 확대하기"
    {zoomStart, growAndShrink},     // 6 "확대 / 축소하기"
};

constexpr EffectRoutines kExitEffects[] = {
    {columnFromLeft, leaveRight},         // 0 "오른쪽으로 나가기"
    {columnFromRight, leaveLeft},         // 1 "왼쪽으로 나가기"
    {rowsFromZero, leaveUp},              // 2 "위로 나가기"
    {rowsFromZero, leaveDown},            // 3 "아래로 나가기"
    {halvesFromCentre, vanishToCentre},   // 4 "좌 / 우에서 가운데로 사라지기"
    {halvesFromEdges, leaveToBothSides},  // 5 "좌 / 우로 나가기"
    {rowsFromZero, vanishToMiddleRow},    // 6 "위 / 아래에서 가운데로 사라지기"
    {rowsFromZero, leaveUpAndDown},       // 7 "위 / 아래로 나가기"
};

std::span<const EffectRoutines> tableOf(EffectPhase phase) {
    switch (phase) {
        case EffectPhase::Entry:
            return kEntryEffects;
        case EffectPhase::Hold:
            return kHoldEffects;
        case EffectPhase::Exit:
            return kExitEffects;
    }
    return {};
}

}  // namespace

void SignEngine::startEffect(int line, EffectPhase phase, int code, int speed, int startRow, int rows) {
    EffectState& e = effectState(line);
    clearRows(e.frame, 0, geometry_.ledRows());
    e.phase = phase;
    e.code = static_cast<uint8_t>(code);
    e.speed = static_cast<uint8_t>(speed);
    e.rows = rows;
    e.startRow = startRow;
    e.done = false;
    const size_t n = static_cast<size_t>(rows) * BitPlane::kBytesPerRow;
    const size_t from = static_cast<size_t>(startRow) * BitPlane::kBytesPerRow;
    std::memcpy(e.captured.red.bytes.data(), &working_->red.bytes[from], n);
    std::memcpy(e.captured.green.bytes.data(), &working_->green.bytes[from], n);
    const auto table = tableOf(phase);
    if (code < 0 || static_cast<size_t>(code) >= table.size()) return;
    Fx f{*this, line, e, geometry_.bytesPerRow(), geometry_.pixels(), geometry_.ledRows(), rows};
    table[e.code].start(f);
}

void SignEngine::stepEffect(int line) {
    EffectState& e = effectState(line);
    const auto table = tableOf(e.phase);
    if (e.code >= table.size()) return;
    Fx f{*this, line, e, geometry_.bytesPerRow(), geometry_.pixels(), geometry_.ledRows(), e.rows};
    table[e.code].step(f);
}

}  // namespace orb
