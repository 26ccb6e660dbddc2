#pragma once
// Windows bitmap files: the import check of the bitmap dialog, the decoder, and the encoder of a
// bitmap line into the sign's two colour planes.
//   Decoded: 1, 4 and 8 bits with a palette, 16 bits (5-5-5, or bit fields), 24 and 32 bits (also
//   bit fields), stored bottom-up or top-down. Refused: compressed files and other depths.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "content/RgbImage.h"
#include "image/ColourPlanes.h"

namespace orb {

enum class BmpResult {
    Ok,
    CannotRead,   // the file cannot be opened or read
    NotBmp,       // no "BM" at its start
    TooWide,      // import check: wider than 800
    TooHigh,      // import check: higher than 160
    Unsupported,  // a header, depth or compression we do not decode
    Truncated,    // the pixel rows run past the end of the file
    TooLarge,     // a file over 256 MiB, or pixels lying past its first 64 MiB
};

// The largest picture the bitmap dialog accepts.
inline constexpr int kMaxBitmapWidth = 800;
inline constexpr int kMaxBitmapHeight = 160;

// Decodes a whole BMP file held in memory.
BmpResult decodeBmp(std::span<const uint8_t> file, RgbImage& out);
// Reads and decodes a BMP file, within the same file size limits as the bitmap lines.
BmpResult readBmpFile(const std::string& path, RgbImage& out);

// The check made when a file is picked for a bitmap line: "BM", then the signed width (at most
// 800) before the signed height (at most 160), then that the encoder can decode it. width and
// height receive the header's values once it has been read.
struct BitmapCheck {
    BmpResult result = BmpResult::CannotRead;
    int width = 0;
    int height = 0;  // as stored: negative for a top-down file
};
BitmapCheck CheckBitmapFile(const std::string& path);
BitmapCheck checkBitmapBytes(std::span<const uint8_t> file);
// CheckBitmapFile on a whole file already in memory, within the same file size limits: what it
// accepts, BmpPlanes encodes once the bytes are in a file.
BitmapCheck checkBitmapFileBytes(std::span<const uint8_t> file);

// The message box of a refused check: text and caption.
const char* bitmapCheckMessage(BmpResult r);
const char* bitmapCheckCaption(BmpResult r);

// A bitmap file as the sign shows it: plane 1 where red > 100, plane 2 where green > 100, so
// white lights both. Any file CheckBitmapFile accepts is encoded.
BmpResult BmpPlanes(const std::string& path, ColourPlanes& out);

// A picture as a 24-bit bottom-up BMP file.
std::vector<uint8_t> encodeBmp24(const RgbImage& picture);
// Colour planes as a 4-bit palette BMP file of four colours (dark, red, green, yellow), which
// BmpPlanes reads back to the same planes. Half a byte per pixel, so a picture as large as the
// sign's memory holds stays a file of a few tens of megabytes. Empty for a width or height of 0.
std::vector<uint8_t> encodePlanesBmp(const ColourPlanes& planes);

// The thresholds on a decoded picture.
ColourPlanes bitmapPlanes(const RgbImage& picture);
// An animation frame: as a bitmap, except that a pixel whose red, green and blue are all non-zero
// (white, the grey of the canvas) stays dark.
ColourPlanes FramePlanes(const RgbImage& frame);

}  // namespace orb
