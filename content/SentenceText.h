#pragma once
// The text of a sentence line as the text dialogs edit it: one entry per character, each with
// its own attributes. The line payload keeps it as CP949 bytes plus one attribute word per text
// byte; a two-byte character's word sits at its first byte and the word at its second byte is 0.
#include <cstddef>
#include <vector>

#include "image/AttributeWord.h"
#include "image/LinePayload.h"

namespace orb {

struct SentenceChar {
    char32_t code = 0;  // Unicode
    Attributes attributes;
    bool operator==(const SentenceChar&) const = default;
};
using SentenceText = std::vector<SentenceChar>;

// What the sign can do with one character of the edit.
enum class Glyph {
    Shown,        // KS X 1001 or ASCII: the sign has a glyph
    NoGlyph,      // CP949 outside KS X 1001 (such as 똠): stored, drawn as a blank cell
    NotCp949,     // no CP949 code at all: stored as '?'
    ControlChar,  // a line break, tab or other control character: not stored
};

// The CP949 bytes of one character ("?" when it has none, "" for a control character).
std::string cp949Of(char32_t code);
Glyph glyphKind(char32_t code);

// The payload of a text: at most 511 bytes, never half a two-byte character, then a zero; word k
// for text byte k. Control characters are left out; characters without a CP949 code become '?'.
LinePayload EncodeSentence(const SentenceText& text);
// The characters of a stored text with the attributes at their first bytes; bytes that are not
// CP949 come back as U+FFFD with their word.
SentenceText DecodeSentence(const LinePayload& payload);

// Bytes EncodeSentence keeps of the text (its CP949 length, at most 511).
size_t encodedLength(const SentenceText& text);
// Whether the text would be cut by the 511-byte limit.
bool exceedsTextArea(const SentenceText& text);

}  // namespace orb
