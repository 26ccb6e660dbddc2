#pragma once
// The entry motions that are not table effects: a text or a bitmap passing across the line from
// the right edge (and, for contents wider than the sign, the reveal that runs until their end is
// in view), and a bitmap scrolling up. Each step moves the line's band of the working pair by one
// pixel and returns true when the motion has finished.
#include "simulator/engine/SimState.h"

namespace orb {

enum class PassMode : uint8_t {
    Across,  // enters at the right edge, finishes when it has left at the left edge
    Reveal,  // starts drawn at column 0, finishes when its right end is in view
};

// D-day texts are drawn with the 16-pixel font at every line height.
bool textUsesBigFont(const LinePlayer& l);

// The pass cursor of a text: the sign's last column, or from the text's x position when revealing.
void setupTextPass(SimState& s, int line, PassMode mode);
bool stepTextPass(SimState& s, int line, PassMode mode);

// The bitmap must be in the line's scroll canvas.
void startBitmapPass(SimState& s, int line, PassMode mode);
bool stepBitmapPass(SimState& s, int line, PassMode mode);

void startScrollUp(LinePlayer& l);
bool stepScrollUp(SimState& s, int line);

}  // namespace orb
