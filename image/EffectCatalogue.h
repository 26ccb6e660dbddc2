#pragma once
// The one catalogue of effects: for every stored effect code, the effect it means and the label the
// dialogs and the item list show for it. Entry codes mean different effects on text lines
// (sentence, title and sentence) and on picture lines (bitmap, bitmap phrase); hold and exit codes
// mean the same everywhere. The engine dispatches on the effects, the code lists take the labels,
// and each effect's key is its stable ASCII name (for files that name effects in words).
#include <cstdint>
#include <span>

#include "image/ItemHeader.h"

namespace orb {

enum class EntryEffect : uint8_t {
    None,
    PassAcross,
    ScrollUp,
    FromRight,
    FromLeft,
    FromTop,
    FromBottom,
    CloseToCentre,
    OpenFromCentre,
    CloseToMiddleRow,
    OpenFromMiddleRow,
    Unknown,  // a stored code outside the list
};

enum class HoldEffect : uint8_t {
    None,
    ShakeSideways,
    ShakeUpDown,
    ShakeAround,
    RotateLeft,
    RotateRight,
    ShrinkAndGrow,
    GrowAndShrink,
    Unknown,
};

enum class ExitEffect : uint8_t {
    None,
    ToRight,
    ToLeft,
    Up,
    Down,
    ToCentre,
    ToBothSides,
    ToMiddleRow,
    UpAndDown,
    Unknown,
};

// One stored code: its position in the span is the code.
template <typename Effect>
struct CatalogueEntry {
    Effect effect;
    const char* label;  // the dialog's text, UTF-8
};

std::span<const CatalogueEntry<EntryEffect>> textEntryCatalogue();     // 10 codes
std::span<const CatalogueEntry<EntryEffect>> pictureEntryCatalogue();  // 11 codes
std::span<const CatalogueEntry<HoldEffect>> holdCatalogue();           // 8 codes
std::span<const CatalogueEntry<ExitEffect>> exitCatalogue();           // 9 codes

// The catalogue of entry codes of a line of this kind.
std::span<const CatalogueEntry<EntryEffect>> entryCatalogueFor(ContentKind kind);

// The effect of a stored code; Unknown outside the list.
EntryEffect entryEffectOf(ContentKind kind, uint8_t code);
HoldEffect holdEffectOf(uint8_t code);
ExitEffect exitEffectOf(uint8_t code);

// Stable ASCII names ("from-right", ...); "unknown" for Unknown.
const char* keyOf(EntryEffect e);
const char* keyOf(HoldEffect e);
const char* keyOf(ExitEffect e);

}  // namespace orb
