#pragma once
// Every code stored in an item or in the settings block, with the Korean text the dialogs and
// the list show for it. A stored code is the 0-based position in its list (a height code is the
// position + 1; layout and kind lists are indexed by the code itself, 0 being "no item / none").
#include <cstddef>
#include <span>

#include "image/ItemHeader.h"

namespace orb {

using CodeList = std::span<const char* const>;

// The text of CODE in LIST, or "" when the code is outside the list.
inline const char* labelOf(CodeList list, size_t code) {
    return code < list.size() ? list[code] : "";
}

CodeList layoutNames();          // "", "1줄로편집", "2줄로편집", "3줄로편집", "제목과문장"
CodeList contentKindNames();     // "", "문장", "비트맵", ... "온도표시"
CodeList textEntryEffects();     // sentence lines, 10 entries
CodeList pictureEntryEffects();  // bitmap and bitmap-phrase lines, 11 entries (two labelled "3.")
CodeList holdEffects();
CodeList exitEffects();
CodeList speeds();             // "1" .. "5"
CodeList holdTimes();          // "1" .. "10"
CodeList heights();            // "16픽셀" .. "128픽셀"; position + 1 is the height code
CodeList brightnessLevels();   // "1(최소밝기)", "2" .. "9", "10(최대밝기)"
CodeList textColours();        // by TextColour
CodeList backgroundColours();  // by BackgroundColour
CodeList typefaceFonts();      // the desktop fonts the editor shows each typeface with
CodeList typefaceLabels();     // the dialogs' labels

// The entry-effect list of the dialog that edits a line of this kind: the same stored number
// means different effects on text lines and on picture lines.
CodeList entryEffectsFor(ContentKind kind);

}  // namespace orb
