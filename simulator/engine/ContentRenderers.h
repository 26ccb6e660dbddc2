#pragma once
// The content renderers: for each content kind, what the start of an item does to a line of that
// kind and what each of the line's ticks does, through entry, hold, reveal and exit for sentences
// and bitmaps, and the animation, clock, D-day and temperature contents. A step returns true when
// the line has finished; the sequencer then ends the item (layouts 1 and 4) or keeps the line dark
// until the others have finished too (layouts 2 and 3).
#include "image/ItemHeader.h"
#include "simulator/engine/SimState.h"

namespace orb {

// Whether the kind has a renderer (kinds 1..7).
bool hasRenderer(ContentKind kind);
// Draws and arms line n at the start of its item.
void startContent(SimState& s, int line);
// One tick of line n; a finished line of layouts 2 and 3 (byFlag) only clears its band.
bool stepContent(SimState& s, int line, bool byFlag);

// Layout 4: the title on line 1 stands still, the sentence on line 2 plays as a sentence line
// with entry codes none, pass-across and from-right only.
void startTitleAndSentence(SimState& s);
bool stepTitleAndSentence(SimState& s, int line);

// Days from today to the target date; -1 when it has passed.
int daysUntil(const ClockValues& today, const DdayDate& target);

}  // namespace orb
