#pragma once
// The attribute word of one text byte: only the low byte carries bits.
//   bits 7-6 text colour, 5-4 background colour, 3-2 typeface, 1-0 reserved (0).
#include <cstdint>

namespace orb {

enum class TextColour : uint8_t { Red = 0, Green = 1, Yellow = 2, Black = 3 };
enum class BackgroundColour : uint8_t { Black = 0, Red = 1, Green = 2, Yellow = 3 };
// The sign draws typeface n with its own bitmap font n.
enum class Typeface : uint8_t { Gulim = 0, Gungseo = 1, Yet = 2, Magic = 3 };

struct Attributes {
    TextColour text = TextColour::Red;
    BackgroundColour background = BackgroundColour::Black;
    Typeface typeface = Typeface::Gulim;
    bool operator==(const Attributes&) const = default;
};

inline uint16_t toAttributeWord(const Attributes& a) {
    return static_cast<uint16_t>((static_cast<unsigned>(a.text) << 6) |
                                 (static_cast<unsigned>(a.background) << 4) |
                                 (static_cast<unsigned>(a.typeface) << 2));
}

inline Attributes fromAttributeWord(uint16_t w) {
    return {static_cast<TextColour>((w >> 6) & 3), static_cast<BackgroundColour>((w >> 4) & 3),
            static_cast<Typeface>((w >> 2) & 3)};
}

}  // namespace orb
