// The RTF reader on any bytes: whatever it reads writes and reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "content/Rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orb::RichText text;
    orb::readRtf(std::string_view(reinterpret_cast<const char*>(data), size), text);
    orb::RichText again;
    if (orb::readRtf(orb::writeRtf(text), again) != orb::RtfResult::Ok) __builtin_trap();
    if (again.plainText() != text.plainText()) __builtin_trap();
    return 0;
}
