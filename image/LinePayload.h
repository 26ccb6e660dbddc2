#pragma once
// The 1536-byte payload of one line, read three ways by the line's kind:
//  - text and attributes (sentence, D-day, title and sentence): 512 bytes of zero-terminated
//    CP949 text, then 512 big-endian attribute words, word i describing text byte i;
//  - a file path (bitmap, animation): 512 bytes, zero-terminated;
//  - a bitmap phrase: the rendered bitmap's path, then at 512 the rich-text file's path.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orb {

class LinePayload {
  public:
    static constexpr size_t kSize = 1536;
    static constexpr size_t kTextArea = 512;
    static constexpr size_t kMaxText = kTextArea - 1;  // room is kept for the terminating zero
    static constexpr size_t kAttributes = 512;
    static constexpr size_t kPathArea = 512;
    static constexpr size_t kRtfPathOffset = 512;

    std::array<uint8_t, kSize> bytes{};

    // The text up to its zero, at most kMaxText bytes even when a stored block has no zero.
    std::string text() const { return zeroTerminated(0, kTextArea); }
    // Replaces the text; the rest of the text area and the words past the text become 0. A text
    // longer than kMaxText is refused and nothing changes.
    bool setText(std::string_view cp949);
    // Replaces the text and gives every character the same attributes: the word at each
    // character's first byte, 0 at the second byte of a two-byte character.
    bool setText(std::string_view cp949, uint16_t attributeWord);

    uint16_t attributeWord(size_t i) const;
    void setAttributeWord(size_t i, uint16_t word);

    std::string path() const { return zeroTerminated(0, kPathArea); }
    bool setPath(std::string_view path) { return setZeroTerminated(0, path); }
    std::string rtfPath() const { return zeroTerminated(kRtfPathOffset, kPathArea); }
    bool setRtfPath(std::string_view path) { return setZeroTerminated(kRtfPathOffset, path); }

    bool operator==(const LinePayload&) const = default;

  private:
    std::string zeroTerminated(size_t offset, size_t area) const;
    bool setZeroTerminated(size_t offset, std::string_view s);
};

}  // namespace orb
