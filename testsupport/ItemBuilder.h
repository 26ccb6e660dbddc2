#pragma once
// Builds an item line by line from UTF-8 texts and paths, as the editor's dialogs fill one in: for
// the example project and the tests that need hand-made items. Whatever it does not set stays 0.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/AttributeWord.h"
#include "image/Cp949.h"
#include "image/ItemRecord.h"

namespace orb::testing {

// The CP949 bytes of a text known to convert.
inline std::string cp949(std::string_view utf8) {
    return utf8ToCp949(utf8).value();
}

inline uint16_t word(TextColour t, BackgroundColour b, Typeface f) {
    return toAttributeWord({t, b, f});
}

struct ItemBuilder {
    ItemRecord item;

    ItemBuilder(LayoutCode layout, const std::array<uint8_t, 3>& heightCodes) {
        item.header = ItemHeader::newItem(layout, heightCodes);
    }
    // Line n holds this kind, played with these effects.
    ItemBuilder& kind(int n, ContentKind k, const EffectBlock& effects = {}) {
        item.header.setKind(n, k);
        item.header.setEffects(n, effects);
        return *this;
    }
    // The text of a sentence, a title or a D-day, every character in the same attributes.
    ItemBuilder& text(int n, std::string_view utf8, uint16_t attributes) {
        item.line(n).setText(cp949(utf8), attributes);
        return *this;
    }
    ItemBuilder& picture(int n, uint16_t width, uint16_t height, std::string_view utf8Path) {
        item.header.setPictureSize(n, width, height);
        item.line(n).setPath(cp949(utf8Path));
        return *this;
    }
    ItemBuilder& frames(int n, uint16_t count, uint8_t speed) {
        item.header.setFrameCount(n, count);
        item.header.setAnimationSpeed(n, speed);
        return *this;
    }
    ItemBuilder& ddayDate(int n, const DdayDate& date) {
        item.header.setDdayDate(n, date);
        return *this;
    }
    ItemBuilder& window(const ClockTime& start, const ClockTime& end) {
        item.header.setWindow(start, end);
        return *this;
    }
};

}  // namespace orb::testing
