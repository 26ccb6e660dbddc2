#include "editor/core/PrintableLine.h"

#include <cstdint>
#include <cstdio>

#include "image/Utf8.h"

namespace orb {

namespace {

std::string hexEscape(unsigned byte) {
    char out[8];
    std::snprintf(out, sizeof out, "\\x%02X", byte);
    return out;
}

// The length of the UTF-8 sequence at text[i] and its code point; 0 when it is not one.
size_t utf8At(std::string_view text, size_t i, uint32_t& code) {
    const auto lead = static_cast<uint8_t>(text[i]);
    size_t length = lead < 0x80                    ? 1
                    : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) return 0;
    code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<uint8_t>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string printableLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t length = utf8At(text, i, code);
        if (length == 0) {
            out += hexEscape(static_cast<uint8_t>(text[i]));
            ++i;
            continue;
        }
        if (code == '\\') {
            out += "\\\\";
        } else if (code < 0x100 && isControl(code)) {
            out += hexEscape(code);
        } else if (isControl(code)) {
            char u[12];
            std::snprintf(u, sizeof u, "\\u{%04X}", static_cast<unsigned>(code));
            out += u;
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

}  // namespace orb
