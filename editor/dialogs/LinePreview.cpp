#include "editor/dialogs/LinePreview.h"

#include <algorithm>
#include <array>
#include <string>

#include "simulator/engine/ContentRenderers.h"
#include "simulator/engine/TextDrawer.h"
#include "simulator/engine/TextPlacement.h"

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
    const TextPlacement place = placeSentence(text.size(), std::clamp(g.heightCode, 1, 8), width);
    if (place.bigFont)
        drawer.drawText32(out, 1, place.x, place.y, text, words);
    else
        drawer.drawText16(out, 1, place.x, place.y, text, words);
}

void drawDdayPreview(const SignFonts& fonts, const LineGeometry& g, const LinePayload& payload,
                     const ClockValues& today, const DdayDate& date, PlanePair& out) {
    clearPair(out);
    TextDrawer drawer(fonts);
    const int width = 16 * clampedColumns(g);
    drawer.setSignWidth(width);
    const int h = std::clamp(g.heightCode, 1, 8);
    const DdayCount count = ddayCount(daysUntil(today, date), h);
    // A zero-terminated copy, as the sign's line holds it; the count follows the text on a
    // 1-module line (with the words stored there: 0 is red on black).
    std::array<char, LinePayload::kMaxText + 1> text{};
    const std::string stored = payload.text();
    std::copy_n(stored.begin(), std::min(stored.size(), LinePayload::kMaxText), text.begin());
    size_t length = std::min(stored.size(), LinePayload::kMaxText);
    if (h == 1) length = appendDdayCount(text, length, count.view());
    const std::string_view shown(text.data(), length);
    const TextPlacement place = placeDdayText(shown.size(), h, width);
    drawer.drawText16(out, 1, place.x, place.y, shown, wordsOf(payload));
    if (h >= 2) {
        const TextPlacement at = placeDdayCount(count.view().size(), h, width);
        drawer.drawPlainText16(out, 1, count.view(), at.x, at.y, kRed, kNone);
    }
}

}  // namespace orb
