#pragma once
// How each kind of line turns into the bytes at its start sector: one encoder per content kind.
#include <cstdint>
#include <string>
#include <vector>

#include "image/ItemHeader.h"
#include "image/LinePayload.h"
#include "image/ProgramImage.h"

namespace orb {

// The bytes all contents of a program share; an animation's frames are scanned against it.
inline constexpr uint64_t kContentAreaBytes =
    (ProgramImage::kSectors - ProgramImage::kFirstContentSector) * ProgramImage::kSectorSize;

struct EncodedLine {
    std::vector<uint8_t> bytes;  // written from the line's start sector
    // The picture as it is now in its file: the header copy in the image gets these, so that the
    // sign never reads planes of another size than were written. Zero when the file is unusable.
    bool picture = false;
    uint16_t width = 0, height = 0, frames = 0;
    // Why the line's file could not be used; empty when it could.
    std::string problem;
    bool animationFailed = false;  // a GIF that did not load: the transfer refuses it
    bool oversized = false;        // more bytes than the whole content area holds
};

// The 1536-byte payload as stored: sentences, D-days, and both lines of a title and sentence.
EncodedLine rawPayload(const LinePayload& payload);

// The bytes encodeLine gives the line at most, found from its file's header without decoding a
// pixel: exact, but for animation frames that turn out not to decode (encodeLine leaves them
// out). More than the content area holds for an animation encodeLine refuses as oversized.
uint64_t encodedSizeAtMost(ContentKind kind, const LinePayload& payload);

// Encodes line `line` of an item by the kind stored for it. Kinds without content (clock,
// temperature, none, unknown codes) give no bytes.
EncodedLine encodeLine(ContentKind kind, const LinePayload& payload);

}  // namespace orb
