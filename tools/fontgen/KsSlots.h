#pragma once
// The character slots of each kind of sign font file, in file order, with the Unicode character
// each slot stands for (0 where KS X 1001 leaves the slot unassigned).
#include <cstdint>
#include <vector>

#include "simulator/engine/SignFonts.h"

namespace orb::fontgen {

struct Slot {
    uint8_t lead = 0;   // 0 for ASCII
    uint8_t trail = 0;  // the ASCII byte, or the trail byte
    char32_t unicode = 0;
};

std::vector<Slot> slotsOf(GlyphSet set);

}  // namespace orb::fontgen
