#include "service/core/NameText.h"

#include "image/Utf8.h"

namespace orb {

bool isNameText(std::string_view text, size_t maxChars, bool allowEmpty) {
    if (text.empty()) return allowEmpty;
    const std::u32string chars = decodeUtf8(text);
    if (chars.size() > maxChars) return false;
    std::string again;
    for (char32_t c : chars) {
        if (isControl(c)) return false;
        again += encodeUtf8(c);
    }
    // Invalid sequences decode as U+FFFD and so do not come back the same.
    return again == text;
}

}  // namespace orb
