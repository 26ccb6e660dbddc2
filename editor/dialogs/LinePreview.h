#pragma once
// A line as the sign draws it, for the dialogs' previews: the engine's own text drawer and sign
// fonts, placed as the sequencer places a line's text (one module high: the 16-pixel fonts from
// the top; higher: the 32-pixel fonts centred in the line; centred across the sign when the
// text fits, else from the left edge). No Qt.
#include <string_view>

#include "image/LinePayload.h"
#include "simulator/engine/BitPlane.h"
#include "simulator/engine/SignFonts.h"

namespace orb {

struct LineGeometry {
    int signColumns = 6;  // modules across: the sign is 16 x columns LEDs wide
    int heightCode = 1;   // modules high: the line is 16 x code LEDs high
    int widthPixels() const { return 16 * signColumns; }
    int heightPixels() const { return 16 * heightCode; }
};

// Draws a sentence's text into planes cleared first; the line's rows start at row 0.
void drawSentencePreview(const SignFonts& fonts, const LineGeometry& g, const LinePayload& payload,
                         PlanePair& out);
// A D-day line: its text, and the count "D-N일" after it on a one-module line or in red on the
// row below on a higher line, as the sign shows it DAYS before the date.
void drawDdayPreview(const SignFonts& fonts, const LineGeometry& g, const LinePayload& payload, int days,
                     PlanePair& out);

}  // namespace orb
