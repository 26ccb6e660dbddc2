#include "simulator/engine/Composer.h"

namespace orb {

Composer::Composer() {
    for (auto& s : sets_) s = std::make_unique<PlanePair>();
    for (auto& f : frames_) f = std::make_unique<PlanePair>();
}

void Composer::clear() {
    for (auto& s : sets_) clearPair(*s);
    for (auto& f : frames_) clearPair(*f);
    front_ = 0;
}

void Composer::compose(std::span<const ShownBand> bands) {
    PlanePair& back = *frames_[front_ ^ 1];
    clearPair(back);
    for (const ShownBand& b : bands) copyRows(back, b.startRow, set(b.set), b.startRow, b.rowCount);
    front_ ^= 1;
}

}  // namespace orb
