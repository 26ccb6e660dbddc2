// The effect engine: one table of (start, step) routines per phase. A code outside its phase's
// table arms nothing: the start still captures the band, and steps leave it as it is.
#include <cstring>
#include <span>

#include "simulator/engine/SignEngine.h"

namespace orb {

namespace {

struct EffectRoutines {
    void (*start)(SignEngine&, int line, EffectState&);
    void (*step)(SignEngine&, int line, EffectState&);
};

// The entry, hold and exit effects are filled in by the effect engine; until then every code
// lies outside its table.
constexpr std::span<const EffectRoutines> kEntryEffects{};
constexpr std::span<const EffectRoutines> kHoldEffects{};
constexpr std::span<const EffectRoutines> kExitEffects{};

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
    // The captured pair is indexed from the line's first row.
    const size_t n = static_cast<size_t>(rows) * BitPlane::kBytesPerRow;
    const size_t from = static_cast<size_t>(startRow) * BitPlane::kBytesPerRow;
    std::memcpy(e.captured.red.bytes.data(), &working_->red.bytes[from], n);
    std::memcpy(e.captured.green.bytes.data(), &working_->green.bytes[from], n);
    const auto table = tableOf(phase);
    if (e.code < table.size()) table[e.code].start(*this, line, e);
}

void SignEngine::stepEffect(int line) {
    EffectState& e = effectState(line);
    const auto table = tableOf(e.phase);
    if (e.code < table.size()) table[e.code].step(*this, line, e);
}

}  // namespace orb
