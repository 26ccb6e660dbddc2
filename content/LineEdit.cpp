#include "content/LineEdit.h"

namespace orb {

LineEditStart openLineEdit(const ItemHeader& header, const LinePayload& payload, int line, ContentKind kind) {
    LineEditStart s{header, payload, header.kind(line) == kind};
    if (s.sameKind) return s;
    s.payload = LinePayload{};
    EffectBlock e = header.effects(line);
    switch (kind) {
        case ContentKind::Sentence:
        case ContentKind::Bitmap:
        case ContentKind::BitmapPhrase:
            s.header.setEffects(line, freshEffects());
            break;
        case ContentKind::Animation:
            s.header.setAnimationSpeed(line, 0);
            break;
        case ContentKind::Clock:
        case ContentKind::Temperature:
            e.holdTime = 2;
            s.header.setEffects(line, e);
            break;
        default:
            break;
    }
    return s;
}

}  // namespace orb
