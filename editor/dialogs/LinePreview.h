#pragma once
// A line as the sign draws it, for the dialogs' previews: the engine's own text drawer and sign
// fonts, the text and a D-day's count placed by the engine's placement functions. No Qt.
#include <string_view>

#include "image/ItemHeader.h"
#include "image/LinePayload.h"
#include "simulator/engine/BitPlane.h"
#include "simulator/engine/SignClock.h"
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
// A D-day line with its count, as the sign shows it on TODAY (its clock) for the date DATE.
void drawDdayPreview(const SignFonts& fonts, const LineGeometry& g, const LinePayload& payload,
                     const ClockValues& today, const DdayDate& date, PlanePair& out);

}  // namespace orb
