#pragma once
// The check the responder fuzzers share: what the sign sends is whole, valid replies only.
#include <cstddef>
#include <cstdint>
#include <span>

#include "image/BigEndian.h"
#include "link/SignFrame.h"

namespace orb::fuzz {

inline void checkWholeReplies(std::span<const uint8_t> out) {
    size_t at = 0;
    while (at < out.size()) {
        if (out.size() - at < 6) __builtin_trap();
        const size_t length = readBe16(&out[at + 1]);
        if (judgeReply(out.subspan(at), length, ReplyRules::Tcp) != LinkResult::Ok) __builtin_trap();
        at += length;
    }
}

}  // namespace orb::fuzz
