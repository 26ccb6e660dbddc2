// The reply judge on any bytes, for every expected length and both sets of rules.
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/SignFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> received(data, size);
    for (size_t expected : {size_t{6}, size_t{14}, size}) {
        orb::judgeReply(received, expected, orb::ReplyRules::Serial);
        orb::judgeReply(received, expected, orb::ReplyRules::Tcp);
    }
    return 0;
}
