#pragma once
// UTF-8 to code points and back, for the texts the windows hand to the core. Invalid sequences
// decode as U+FFFD, one per bad byte.
#include <string>
#include <string_view>

namespace orb {

// C0 and C1 controls, DEL and the line and paragraph separators: what a one-line text never shows.
inline bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

inline std::string encodeUtf8(char32_t c) {
    std::string out;
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

inline std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        const int n = b0 < 0x80             ? 1
                      : (b0 & 0xE0) == 0xC0 ? 2
                      : (b0 & 0xF0) == 0xE0 ? 3
                      : (b0 & 0xF8) == 0xF0 ? 4
                                            : 0;
        bool ok = n > 0 && i + static_cast<size_t>(n) <= s.size();
        char32_t c = n == 1 ? b0 : n == 2 ? (b0 & 0x1Fu) : n == 3 ? (b0 & 0x0Fu) : (b0 & 0x07u);
        for (int k = 1; ok && k < n; ++k) {
            const auto b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            ok = (b & 0xC0) == 0x80;
            c = (c << 6) | (b & 0x3Fu);
        }
        if (!ok) {
            out += U'\xFFFD';
            ++i;
            continue;
        }
        out += c;
        i += static_cast<size_t>(n);
    }
    return out;
}

}  // namespace orb
