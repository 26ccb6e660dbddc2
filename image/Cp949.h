#pragma once
// The one place for CP949 texts: every text in the files and frames stays CP949 bytes, and the
// windows and the terminal see UTF-8. Conversion goes through iconv.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orb {

// Bytes taken by the character starting at i: 2 for a lead byte (bit 7 set) followed by a
// trail byte, else 1 (so a lead byte at the very end counts as one byte).
inline size_t cp949CharWidth(std::string_view s, size_t i) {
    return (static_cast<unsigned char>(s[i]) & 0x80) && i + 1 < s.size() ? 2 : 1;
}

// nullopt when the input is not valid CP949.
std::optional<std::string> cp949ToUtf8(std::string_view cp949);
// Invalid bytes become U+FFFD; for showing stored texts that may be damaged.
std::string cp949ToUtf8Lossy(std::string_view cp949);
// nullopt when the text holds characters that CP949 cannot represent, or is not valid UTF-8.
std::optional<std::string> utf8ToCp949(std::string_view utf8);
// The CP949 bytes of one character; nullopt when CP949 has none for it.
std::optional<std::string> charToCp949(char32_t c);

// True when the text holds a character the sign's fonts cannot show: a two-byte character
// outside KS X 1001 (CP949's extension syllables such as 똠) or a lead byte without a trail.
bool hasNonKsx1001(std::string_view cp949);

}  // namespace orb
