#include "simulator/engine/SignEngine.h"

#include <algorithm>
#include <array>

namespace orb {

SignEngine::SignEngine(const ImageSource& image, const SignFonts& fonts)
    : state_(image, fonts), sequencer_(state_) {}

void SignEngine::start(uint64_t nowMs, const LocalDateTime& now) {
    state_.now = now;
    state_.updateClock();
    for (auto& l : state_.lines) {
        l->setPeriod(3);
        l->resetTick();
    }
    clearPair(*state_.working);
    state_.composer.clear();
    sequencer_.start();
    for (auto& l : state_.lines) l->scheduleFrom(nowMs);
}

void SignEngine::pass(uint64_t nowMs, const LocalDateTime& now) {
    state_.now = now;
    // Without a step the lines show what they showed: the front frame stays as it is.
    if (sequencer_.stepLines()) compose();
    for (auto& l : state_.lines) l->renew(nowMs);
}

void SignEngine::compose() {
    std::array<ShownBand, 3> bands;
    const int lines = sequencer_.activeLines();
    for (int n = 1; n <= lines; ++n) {
        const LinePlayer& l = state_.line(n);
        bands[static_cast<size_t>(n - 1)] = {l.startRow, l.rowCount, l.shownSet()};
    }
    state_.composer.compose(std::span(bands).first(static_cast<size_t>(lines)));
}

uint64_t SignEngine::nextDeadline() const {
    // Lines the current item does not use never step, so only the others can be due at once.
    const int active = sequencer_.activeLines();
    uint64_t next = UINT64_MAX;
    for (int n = 1; n <= 3; ++n) {
        const LinePlayer& l = state_.line(n);
        next = std::min(next, n <= active && !l.stepDone() ? 0 : l.deadline() + 1);
    }
    return next;
}

}  // namespace orb
