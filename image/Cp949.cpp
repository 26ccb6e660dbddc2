#include "image/Cp949.h"

#include "image/IconvConverter.h"
#include "image/Utf8.h"

namespace orb {

namespace {

std::optional<std::string> convertStrict(const char* to, const char* from, std::string_view in) {
    IconvConverter c(to, from);
    if (!c.ok()) return std::nullopt;
    std::string out;
    if (c.convert(in, out) != in.size()) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> cp949ToUtf8(std::string_view cp949) {
    return convertStrict("UTF-8", "CP949", cp949);
}

std::optional<std::string> charToCp949(char32_t c) {
    std::optional<std::string> bytes = utf8ToCp949(encodeUtf8(c));
    if (bytes && bytes->empty()) return std::nullopt;
    return bytes;
}

std::optional<std::string> utf8ToCp949(std::string_view utf8) {
    return convertStrict("CP949", "UTF-8", utf8);
}

std::string cp949ToUtf8Lossy(std::string_view cp949) {
    IconvConverter c("UTF-8", "CP949");
    std::string out;
    if (!c.ok()) return out;
    while (!cp949.empty()) {
        size_t used = c.convert(cp949, out);
        cp949.remove_prefix(used);
        if (cp949.empty()) break;
        out += "\xEF\xBF\xBD";
        // A bad pair is dropped whole unless its second byte cannot be a trail byte.
        bool pair = cp949CharWidth(cp949, 0) == 2 && static_cast<unsigned char>(cp949[1]) >= 0x41;
        cp949.remove_prefix(pair ? 2 : 1);
    }
    return out;
}

bool hasNonKsx1001(std::string_view cp949) {
    for (size_t i = 0; i < cp949.size();) {
        auto lead = static_cast<unsigned char>(cp949[i]);
        if (lead & 0x80) {
            if (i + 1 >= cp949.size()) return true;
            auto trail = static_cast<unsigned char>(cp949[i + 1]);
            if (lead < 0xA1 || lead > 0xFE || trail < 0xA1 || trail > 0xFE) return true;
            i += 2;
        } else {
            i += 1;
        }
    }
    return false;
}

}  // namespace orb
