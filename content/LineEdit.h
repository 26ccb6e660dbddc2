#pragma once
// What the edit commands hand a content dialog: the item's header and the line's payload as the
// dialog of a kind opens on them. A line of another kind opens empty, with every effect position
// 0 and hold time 2 ("3") for the kinds that set the effect block, speed 0 for an animation and
// hold time 2 for a clock or temperature.
#include "image/ItemHeader.h"
#include "image/LinePayload.h"

namespace orb {

struct LineEditStart {
    ItemHeader header;
    LinePayload payload;
    bool sameKind = false;
};

LineEditStart openLineEdit(const ItemHeader& header, const LinePayload& payload, int line, ContentKind kind);

// The effect block a line of another kind opens with.
inline EffectBlock freshEffects() {
    EffectBlock e;
    e.holdTime = 2;
    return e;
}

}  // namespace orb
