// The sign's responder on any incoming bytes, fed in pieces whose sizes the input chooses. Every
// answer it gives must be a whole, valid reply, and the model string must stay the sign's own.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "fuzz/WholeReplies.h"
#include "sign/SignResponder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One responder for every run: building 32 MiB each time would slow fuzzing a hundredfold.
    static orb::SignResponder sign;
    sign.reconnected();
    if (size == 0) return 0;
    const size_t piece = data[0] % 64 + 1;  // 0 bytes: the rest as one piece
    const std::span<const uint8_t> stream(data + 1, size - 1);
    std::vector<uint8_t> out;
    std::vector<std::string> log;
    for (size_t at = 0; at < stream.size(); at += piece) {
        out.clear();
        sign.feed(stream.subspan(at, std::min(piece, stream.size() - at)), orb::Arrival::Continuing, out,
                  log);
        orb::fuzz::checkWholeReplies(out);
        log.clear();
    }
    if (std::memcmp(sign.memory().data() + 0x4000, "LEDSign", 8) != 0) __builtin_trap();
    return 0;
}
