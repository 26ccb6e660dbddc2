#pragma once
// What a content dialog hands back for one line: the kind, the header fields that kind uses and
// the line's payload. One table row per kind says which header fields it writes, when a result
// is complete and the list text the edit shows.
#include <string>

#include "image/ItemRecord.h"

namespace orb {

struct LineContent {
    ContentKind kind = ContentKind::None;
    // Sentence, bitmap, bitmap phrase: all seven values are written. Clock, temperature: only
    // the hold time. Animation and D-day leave the stored block as it was.
    EffectBlock effects;
    uint16_t pictureWidth = 0, pictureHeight = 0;  // bitmap, bitmap phrase, animation
    uint16_t frameCount = 0;                       // animation
    uint8_t animationSpeed = 0;                    // animation, 0..4
    DdayDate dday;                                 // D-day
    LinePayload payload;                           // text and attributes, or path(s); unused kinds 0
    bool operator==(const LineContent&) const = default;
};

// The title and sentence dialog's result: line 1's payload holds the title, line 2's the
// sentence; line 2 becomes a sentence with these effects.
struct TitleSentenceContent {
    LinePayload title;
    LinePayload sentence;
    EffectBlock effects;
    bool operator==(const TitleSentenceContent&) const = default;
};

// What the kind's dialog opens on for line LINE of RECORD: the stored fields and payload when the
// line already has kind KIND; otherwise an empty payload and, for sentence, bitmap and bitmap
// phrase, an effect block of zeros with hold time 2 ("3"); for animation speed 0; for clock and
// temperature hold time 2.
LineContent dialogStart(const ItemRecord& record, int line, ContentKind kind);

// The title and sentence dialog's start: both payloads and line 2's effect block as stored; a
// line 2 that is not yet a sentence offers zeros with hold time 2.
TitleSentenceContent titleSentenceStart(const ItemRecord& record);

// Sentence: the text is not empty; bitmap, animation: a file was chosen; bitmap phrase: the
// rich-text path is not empty; clock, temperature, D-day: always. Kind 0 or unknown: never.
bool isComplete(const LineContent& content);
bool isComplete(const TitleSentenceContent& content);

// Writes CONTENT into line LINE of RECORD: the kind, the fields the kind uses, the payload.
void applyLineContent(ItemRecord& record, int line, const LineContent& content);
void applyTitleSentence(ItemRecord& record, const TitleSentenceContent& content);

// The list's content text right after an edit (UTF-8): a bitmap phrase shows its bitmap's file
// name followed by "(비트맵문구)", where a row rebuilt from the store says "(rtf)".
std::string editedContentText(const LineContent& content);

}  // namespace orb
