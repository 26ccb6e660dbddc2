#include "simulator/engine/TextPlacement.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orb {

namespace {

constexpr std::string_view kDay = "\xC0\xCF";  // 일

// Centred across the sign when it fits, else from the left edge.
int centredX(int width, int signPixels) {
    return width < signPixels ? (signPixels - width) / 2 : 0;
}

}  // namespace

TextPlacement placeSentence(size_t textBytes, int heightModules, int signPixels) {
    TextPlacement p;
    p.bigFont = heightModules != 1;
    p.width = static_cast<int>(textBytes) * (p.bigFont ? 16 : 8);
    p.x = centredX(p.width, signPixels);
    p.y = p.bigFont ? (heightModules * 16 - 32) / 2 : 0;
    return p;
}

TextPlacement placeDdayText(size_t textBytes, int heightModules, int signPixels) {
    TextPlacement p;
    p.width = static_cast<int>(textBytes) * 8;
    p.x = centredX(p.width, signPixels);
    p.y = heightModules >= 3 ? (heightModules - 2) * 8 : 0;
    return p;
}

DdayCount ddayCount(int days, int heightModules) {
    DdayCount c;
    if (days < 0)
        std::snprintf(c.text, sizeof c.text, "D-%s%.*s", heightModules == 1 ? "XX" : "XXXX", int(kDay.size()),
                      kDay.data());
    else
        std::snprintf(c.text, sizeof c.text, "D-%d%.*s", days, int(kDay.size()), kDay.data());
    return c;
}

size_t appendDdayCount(std::span<char> text, size_t length, std::string_view count) {
    if (text.empty()) return 0;
    const size_t limit = text.size() - 1;
    length = std::min(length, limit);
    auto append = [&](std::string_view t) {
        const size_t take = std::min(t.size(), limit - length);
        std::memcpy(&text[length], t.data(), take);
        length += take;
    };
    if (length > 0) append(" ");
    append(count);
    text[length] = 0;
    return length;
}

TextPlacement placeDdayCount(size_t countBytes, int heightModules, int signPixels) {
    TextPlacement p;
    p.width = static_cast<int>(countBytes) * 8;
    p.x = (signPixels / 8 - static_cast<int>(countBytes)) * 8 / 2;
    p.y = placeDdayText(0, heightModules, signPixels).y + 16;
    return p;
}

}  // namespace orb
