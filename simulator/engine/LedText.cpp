#include "simulator/engine/LedText.h"

namespace orb {

void appendLedRows(std::string& out, const PlanePair& frame, const SignGeometry& geometry) {
    const PlaneView view(frame, geometry.pixels(), geometry.ledRows());
    out.reserve(out.size() + static_cast<size_t>((view.width + 1) * view.rows));
    for (int y = 0; y < view.rows; ++y) {
        for (int x = 0; x < view.width; ++x) out += ".RGY"[static_cast<int>(view.ledAt(x, y))];
        out += '\n';
    }
}

}  // namespace orb
