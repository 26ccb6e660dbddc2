#include "image/LinePayload.h"

#include <algorithm>
#include <cstring>

#include "image/BigEndian.h"
#include "image/Cp949.h"

namespace orb {

std::string LinePayload::zeroTerminated(size_t offset, size_t area) const {
    const char* begin = reinterpret_cast<const char*>(bytes.data() + offset);
    size_t n = ::strnlen(begin, area - 1);
    return std::string(begin, n);
}

bool LinePayload::setZeroTerminated(size_t offset, std::string_view s) {
    if (s.size() > kPathArea - 1 || s.find('\0') != std::string_view::npos) return false;
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), kPathArea, uint8_t{0});
    std::memcpy(bytes.data() + offset, s.data(), s.size());
    return true;
}

bool LinePayload::setText(std::string_view cp949) {
    if (!setZeroTerminated(0, cp949)) return false;
    for (size_t i = cp949.size(); i < kAttributes; ++i) setAttributeWord(i, 0);
    return true;
}

bool LinePayload::setText(std::string_view cp949, uint16_t attributeWord) {
    if (!setText(cp949)) return false;
    for (size_t i = 0; i < cp949.size();) {
        setAttributeWord(i, attributeWord);
        size_t width = cp949CharWidth(cp949, i);
        if (width == 2) setAttributeWord(i + 1, 0);
        i += width;
    }
    return true;
}

uint16_t LinePayload::attributeWord(size_t i) const {
    return i < kAttributes ? readBe16(&bytes[kTextArea + 2 * i]) : 0;
}

void LinePayload::setAttributeWord(size_t i, uint16_t word) {
    if (i < kAttributes) writeBe16(&bytes[kTextArea + 2 * i], word);
}

}  // namespace orb
