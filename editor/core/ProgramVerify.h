#pragma once
// The check after a transfer: every range the transfer wrote into the sign's memory is read back
// in queries of at most 512 bytes and compared with what was sent.
#include <cstdint>
#include <span>

#include "editor/core/ProgramWriter.h"
#include "editor/core/SignCommands.h"

namespace orb {

// The bytes of a plan's write that go to the sign: all of them, except for the image header, of
// which only the item count is sent (the size command sets the rest).
struct SignRange {
    uint64_t address = 0;
    std::span<const uint8_t> bytes;
};
SignRange signRange(const ProgramWrite& w);

// The read queries verifyProgram makes for the plan: its progress total.
int readBackQueries(const ProgramPlan& plan);

// Reads back every range of the plan in order. The first difference fails with
// "전송 확인 실패: N번째 아이템" naming its item; a read that is not answered fails as the transfer does.
CommandOutcome verifyProgram(SignLink& link, const ProgramPlan& plan, const TransferProgress& progress,
                             const std::atomic<bool>* cancel);

}  // namespace orb
