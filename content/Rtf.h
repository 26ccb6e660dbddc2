#pragma once
// A small RTF reader and writer for the bitmap phrases: font table, colour table, size, bold,
// italic, underline, strike-out, text and background colour, paragraphs. Text outside ASCII is
// written as \uN followed by its CP949 bytes (\'hh) for readers without Unicode. The reader
// takes files of common word processors: destinations and control words it does not know are
// skipped with their groups; bytes outside ASCII decode through the document's code page
// (\ansicpgN, CP1252 when none is named) or the font's character set (\fcharsetN) where it names
// another. It never recurses, so nesting depth costs no stack.
#include <cstddef>
#include <string>
#include <string_view>

#include "content/RichText.h"

namespace orb {

enum class RtfResult {
    Ok,
    NotRtf,           // does not start with "{\rtf"
    Truncated,        // ends inside a group
    TooDeep,          // groups nested deeper than kMaxRtfDepth
    TooLarge,         // more than kMaxRtfBytes
    UnknownCodePage,  // bytes outside ASCII in a code page or character set not known here
};

inline constexpr size_t kMaxRtfDepth = 256;
inline constexpr size_t kMaxRtfBytes = 16 * 1024 * 1024;

const char* toText(RtfResult r);

std::string writeRtf(const RichText& text);
// out receives what was read, also when the result is not Ok.
RtfResult readRtf(std::string_view rtf, RichText& out);

}  // namespace orb
