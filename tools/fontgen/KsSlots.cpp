#include "tools/fontgen/KsSlots.h"

#include <string>

#include "image/Cp949.h"

namespace orb::fontgen {

namespace {

char32_t decodeUtf8(const std::string& s) {
    if (s.empty()) return 0;
    const auto b = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
    if (b(0) < 0x80) return b(0);
    if ((b(0) & 0xE0) == 0xC0 && s.size() >= 2) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    if ((b(0) & 0xF0) == 0xE0 && s.size() >= 3)
        return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    if (s.size() >= 4)
        return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    return 0;
}

std::vector<Slot> rows(uint8_t firstLead, uint8_t lastLead) {
    std::vector<Slot> slots;
    for (int lead = firstLead; lead <= lastLead; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const auto utf8 = cp949ToUtf8(bytes);
            slots.push_back(
                {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail), utf8 ? decodeUtf8(*utf8) : 0});
        }
    }
    return slots;
}

}  // namespace

std::vector<Slot> slotsOf(GlyphSet set) {
    switch (set) {
        case GlyphSet::Hangul:
            return rows(0xB0, 0xC8);
        case GlyphSet::Symbol:
            return rows(0xA1, 0xAC);
        case GlyphSet::Hanja:
            return rows(0xCA, 0xFD);
        case GlyphSet::Ascii:
            break;
    }
    std::vector<Slot> slots;
    for (int c = 0x20; c <= 0x7F; ++c)
        slots.push_back({0, static_cast<uint8_t>(c), c == 0x7F ? 0 : static_cast<char32_t>(c)});
    return slots;
}

}  // namespace orb::fontgen
