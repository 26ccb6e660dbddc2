#include "simulator/engine/SimState.h"

namespace orb {

SimState::SimState(const ImageSource& source, const SignFonts& fonts)
    : image(source),
      drawer(fonts),
      working(std::make_unique<PlanePair>()),
      saved(std::make_unique<PlanePair>()) {
    for (auto& l : lines) l = std::make_unique<LinePlayer>();
}

void SimState::setGeometry(const SignGeometry& g) {
    geometry = g;
    drawer.setSignWidth(g.pixels());
}

void SimState::clearBandOfTarget(int n) {
    const LinePlayer& l = line(n);
    clearRows(drawTarget(n), l.startRow, l.rowCount);
}

void SimState::copyBand(PlanePair& to, const PlanePair& from, int n) const {
    const LinePlayer& l = line(n);
    copyRows(to, l.startRow, from, l.startRow, l.rowCount);
}

}  // namespace orb
