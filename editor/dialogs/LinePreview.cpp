#include "editor/dialogs/LinePreview.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "simulator/engine/TextDrawer.h"

namespace orb {

namespace {

std::array<uint16_t, LinePayload::kAttributes> wordsOf(const LinePayload& p) {
    std::array<uint16_t, LinePayload::kAttributes> words{};
    for (size_t i = 0; i < words.size(); ++i) words[i] = p.attributeWord(i);
    return words;
}

int clampedColumns(const LineGeometry& g) {
    return std::clamp(g.signColumns, 1, BitPlane::kBytesPerRow / 2);
}

}  // namespace

void drawSentencePreview(const SignFonts& fonts, const LineGeometry& g, const LinePayload& payload,
                         PlanePair& out) {
    clearPair(out);
    TextDrawer drawer(fonts);
    const int width = 16 * clampedColumns(g);
    drawer.setSignWidth(width);
    const std::string text = payload.text();
    const auto words = wordsOf(payload);
    const int h = std::clamp(g.heightCode, 1, 8);
    const int textWidth = static_cast<int>(text.size()) * (h == 1 ? 8 : 16);
    const int x = textWidth < width ? (width - textWidth) / 2 : 0;
    if (h == 1)
        drawer.drawText16(out, 1, x, 0, text, words);
    else
        drawer.drawText32(out, 1, x, (h * 16 - 32) / 2, text, words);
}

void drawDdayPreview(const SignFonts& fonts, const LineGeometry& g, const LinePayload& payload, int days,
                     PlanePair& out) {
    clearPair(out);
    TextDrawer drawer(fonts);
    const int width = 16 * clampedColumns(g);
    drawer.setSignWidth(width);
    const int h = std::clamp(g.heightCode, 1, 8);
    // "일" in CP949.
    char count[24];
    if (days < 0)
        std::snprintf(count, sizeof count, "D-%s\xC0\xCF", h == 1 ? "XX" : "XXXX");
    else
        std::snprintf(count, sizeof count, "D-%d\xC0\xCF", days);
    std::string text = payload.text();
    const auto words = wordsOf(payload);
    if (h == 1) {
        // The count follows the text with the words stored there (0: red on black).
        text += (text.empty() ? "" : " ") + std::string(count);
        text.resize(std::min(text.size(), LinePayload::kMaxText));
    }
    const int y = h >= 3 ? (h - 2) * 8 : 0;
    const int textWidth = static_cast<int>(text.size()) * 8;
    const int x = textWidth > width ? 0 : (width - textWidth) / 2;
    drawer.drawText16(out, 1, x, y, text, words);
    if (h >= 2) {
        const int cx = (width / 8 - static_cast<int>(std::strlen(count))) * 8 / 2;
        drawer.drawPlainText16(out, 1, count, cx, y + 16, kRed, kNone);
    }
}

}  // namespace orb
