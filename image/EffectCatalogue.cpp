#include "image/EffectCatalogue.h"

#include <array>

namespace orb {

namespace {

using E = EntryEffect;
using H = HoldEffect;
using X = ExitEffect;

// The picture lines' entry codes. Two labels start with "3.": the sign's own numbering of this list.
constexpr CatalogueEntry<EntryEffect> kPictureEntries[] = {
    {E::None, "1. 효과없음"},
    {E::PassAcross, "2. 지나가기"},
    {E::ScrollUp, "3. 위로 지나가기(스크롤)"},
    {E::FromRight, "3. 오른쪽에서 들어오기"},
    {E::FromLeft, "4. 왼쪽에서 들어오기"},
    {E::FromTop, "5. 위에서 들어오기"},
    {E::FromBottom, "6. 아래에서 들어오기"},
    {E::CloseToCentre, "7. 좌/우에서 가운데로 합치기"},
    {E::OpenFromCentre, "8. 가운데에서 좌/우로 나타나기"},
    {E::CloseToMiddleRow, "9. 위/아래에서 가운데로 합치기"},
    {E::OpenFromMiddleRow, "10. 가운데에서 위/아래로 나타나기"},
};

// Text lines have no scroll-up: their codes are this list without it.
constexpr auto kTextEntries = [] {
    std::array<CatalogueEntry<EntryEffect>, std::size(kPictureEntries) - 1> list{};
    size_t n = 0;
    for (const auto& entry : kPictureEntries)
        if (entry.effect != E::ScrollUp) list[n++] = entry;
    return list;
}();

constexpr CatalogueEntry<HoldEffect> kHolds[] = {
    {H::None, "1.효과없음(유지시간동안유지)"}, {H::ShakeSideways, "2.좌우로 흔들기"},
    {H::ShakeUpDown, "3.상하로 흔들기"},       {H::ShakeAround, "4.상하좌우로 흔들기"},
    {H::RotateLeft, "5.좌측으로 회전하기"},    {H::RotateRight, "6.우측으로 회전하기"},
    {H::ShrinkAndGrow, "7.축소 / 확대하기"},   {H::GrowAndShrink, "8. 확대 / 축소하기"},
};

// "나기기" is the sign's own spelling of this entry.
constexpr CatalogueEntry<ExitEffect> kExits[] = {
    {X::None, "1. 효과없음"},
    {X::ToRight, "2. 오른쪽으로 나가기"},
    {X::ToLeft, "3. 왼쪽으로 나가기"},
    {X::Up, "4. 위로 나가기"},
    {X::Down, "5. 아래로 나기기"},
    {X::ToCentre, "6. 좌 / 우에서 가운데로 사라지기"},
    {X::ToBothSides, "7. 좌 / 우로 나가기"},
    {X::ToMiddleRow, "8. 위 / 아래에서 가운데로 사라지기"},
    {X::UpAndDown, "9. 위 / 아래로 나가기"},
};

constexpr const char* kEntryKeys[] = {
    "none",
    "pass-across",
    "scroll-up",
    "from-right",
    "from-left",
    "from-top",
    "from-bottom",
    "close-to-centre",
    "open-from-centre",
    "close-to-middle-row",
    "open-from-middle-row",
    "unknown",
};
constexpr const char* kHoldKeys[] = {
    "none",         "shake-sideways",  "shake-up-down",   "shake-around", "rotate-left",
    "rotate-right", "shrink-and-grow", "grow-and-shrink", "unknown",
};
constexpr const char* kExitKeys[] = {
    "none",      "to-right",      "to-left",       "up",          "down",
    "to-centre", "to-both-sides", "to-middle-row", "up-and-down", "unknown",
};
static_assert(std::size(kEntryKeys) == size_t(E::Unknown) + 1);
static_assert(std::size(kHoldKeys) == size_t(H::Unknown) + 1);
static_assert(std::size(kExitKeys) == size_t(X::Unknown) + 1);

template <typename Effect>
Effect effectAt(std::span<const CatalogueEntry<Effect>> list, uint8_t code) {
    return code < list.size() ? list[code].effect : Effect::Unknown;
}

}  // namespace

std::span<const CatalogueEntry<EntryEffect>> textEntryCatalogue() {
    return kTextEntries;
}
std::span<const CatalogueEntry<EntryEffect>> pictureEntryCatalogue() {
    return kPictureEntries;
}
std::span<const CatalogueEntry<HoldEffect>> holdCatalogue() {
    return kHolds;
}
std::span<const CatalogueEntry<ExitEffect>> exitCatalogue() {
    return kExits;
}

std::span<const CatalogueEntry<EntryEffect>> entryCatalogueFor(ContentKind kind) {
    return kind == ContentKind::Bitmap || kind == ContentKind::BitmapPhrase ? pictureEntryCatalogue()
                                                                            : textEntryCatalogue();
}

EntryEffect entryEffectOf(ContentKind kind, uint8_t code) {
    return effectAt(entryCatalogueFor(kind), code);
}
HoldEffect holdEffectOf(uint8_t code) {
    return effectAt(holdCatalogue(), code);
}
ExitEffect exitEffectOf(uint8_t code) {
    return effectAt(exitCatalogue(), code);
}

const char* keyOf(EntryEffect e) {
    return kEntryKeys[std::min<size_t>(size_t(e), size_t(E::Unknown))];
}
const char* keyOf(HoldEffect e) {
    return kHoldKeys[std::min<size_t>(size_t(e), size_t(H::Unknown))];
}
const char* keyOf(ExitEffect e) {
    return kExitKeys[std::min<size_t>(size_t(e), size_t(X::Unknown))];
}

}  // namespace orb
