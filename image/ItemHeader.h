#pragma once
// The 128-byte header of a display item: kept in the item store's record and, with its start
// sectors filled, as the item's entry in the image's item table. Line numbers are 1, 2, 3.
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>

namespace orb {

enum class LayoutCode : uint8_t { None = 0, OneLine = 1, TwoLines = 2, ThreeLines = 3, TitleAndSentence = 4 };

enum class ContentKind : uint8_t {
    None = 0,
    Sentence = 1,
    Bitmap = 2,
    Animation = 3,
    Clock = 4,
    Dday = 5,
    BitmapPhrase = 6,
    Temperature = 7,
};

// Lines a layout has: 1, 2, 3, and 2 for title and sentence (title = line 1); 0 for anything else.
int linesOf(LayoutCode layout);

class ItemHeader;
// Whether the sign plays the item at all: a title and sentence always, a line layout when one of
// its lines has content, anything else never.
bool isPlayable(const ItemHeader& header);

// Seven bytes per line; every value is the 0-based position in the dialog's list.
struct EffectBlock {
    uint8_t entry = 0;       // EntryEffect
    uint8_t hold = 0;        // HoldEffect
    uint8_t exit = 0;        // ExitEffect
    uint8_t holdTime = 0;    // 0..9 for "1".."10"
    uint8_t entrySpeed = 0;  // 0..4 for "1".."5", 0 fastest
    uint8_t holdSpeed = 0;
    uint8_t exitSpeed = 0;
    bool operator==(const EffectBlock&) const = default;
};

struct DdayDate {
    uint16_t year = 0;
    uint8_t month = 0;  // 1..12
    uint8_t day = 0;    // 1..31
    bool operator==(const DdayDate&) const = default;
};

struct ClockTime {
    uint8_t hour = 0;    // 0..23
    uint8_t minute = 0;  // 0..59
    bool operator==(const ClockTime&) const = default;
};

// Byte offsets inside the header; per-line fields are the line 1 offset plus a stride.
namespace header {
inline constexpr size_t kMarker = 0;
inline constexpr size_t kLayout = 2;
inline constexpr size_t kHeightCode = 3;       // + (line - 1)
inline constexpr size_t kKind = 6;             // + (line - 1)
inline constexpr size_t kEffects = 9;          // + 7 (line - 1)
inline constexpr size_t kPictureSize = 30;     // + 4 (line - 1): width, height, 2 bytes each
inline constexpr size_t kFrameCount = 42;      // + 2 (line - 1)
inline constexpr size_t kAnimationSpeed = 48;  // + (line - 1)
inline constexpr size_t kStartSector = 51;     // + 2 (line - 1)
inline constexpr size_t kDday = 57;            // + 4 (line - 1): year (2 bytes), month, day
inline constexpr size_t kWindowStart = 81;     // hour, minute
inline constexpr size_t kWindowEnd = 83;
inline constexpr uint8_t kMarkerByte = 0xFE;
}  // namespace header

class ItemHeader {
  public:
    static constexpr size_t kSize = 128;
    std::array<uint8_t, kSize> bytes{};

    // A header as the add command writes it: marker, layout and the heights of its lines.
    static ItemHeader newItem(LayoutCode layout, const std::array<uint8_t, 3>& heightCodes);

    LayoutCode layout() const { return static_cast<LayoutCode>(bytes[header::kLayout]); }
    void setLayout(LayoutCode l) { bytes[header::kLayout] = static_cast<uint8_t>(l); }

    // 1..8: the line is code x 16 pixels high; 0 for lines the layout does not have.
    uint8_t heightCode(int line) const { return bytes[header::kHeightCode + idx(line)]; }
    void setHeightCode(int line, uint8_t code) { bytes[header::kHeightCode + idx(line)] = code; }

    ContentKind kind(int line) const { return static_cast<ContentKind>(bytes[header::kKind + idx(line)]); }
    void setKind(int line, ContentKind k) { bytes[header::kKind + idx(line)] = static_cast<uint8_t>(k); }

    EffectBlock effects(int line) const;
    void setEffects(int line, const EffectBlock& e);

    uint16_t pictureWidth(int line) const;
    uint16_t pictureHeight(int line) const;
    void setPictureSize(int line, uint16_t width, uint16_t height);

    uint16_t frameCount(int line) const;
    void setFrameCount(int line, uint16_t frames);
    uint8_t animationSpeed(int line) const { return bytes[header::kAnimationSpeed + idx(line)]; }
    void setAnimationSpeed(int line, uint8_t s) { bytes[header::kAnimationSpeed + idx(line)] = s; }

    uint16_t startSector(int line) const;
    void setStartSector(int line, uint16_t sector);

    DdayDate ddayDate(int line) const;
    void setDdayDate(int line, const DdayDate& d);

    ClockTime windowStart() const { return {bytes[header::kWindowStart], bytes[header::kWindowStart + 1]}; }
    ClockTime windowEnd() const { return {bytes[header::kWindowEnd], bytes[header::kWindowEnd + 1]}; }
    void setWindow(const ClockTime& start, const ClockTime& end);

    bool operator==(const ItemHeader&) const = default;

  private:
    static size_t idx(int line) {
        assert(line >= 1 && line <= 3);
        return static_cast<size_t>(line - 1);
    }
};

static_assert(header::kEffects + 3 * 7 == header::kPictureSize);
static_assert(header::kPictureSize + 3 * 4 == header::kFrameCount);
static_assert(header::kStartSector + 3 * 2 == header::kDday);
static_assert(header::kDday + 3 * 4 + 12 == header::kWindowStart);

}  // namespace orb
