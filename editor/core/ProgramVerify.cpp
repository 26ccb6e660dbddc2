#include "editor/core/ProgramVerify.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace orb {

SignRange signRange(const ProgramWrite& w) {
    if (w.kind == ProgramWrite::Kind::ImageHeader) return {w.address + 2, std::span(w.bytes).subspan(2, 2)};
    return {w.address, w.bytes};
}

int readBackQueries(const ProgramPlan& plan) {
    uint64_t total = 0;
    for (const ProgramWrite& w : plan.writes)
        total += (signRange(w).bytes.size() + SignFrame::kMaxData - 1) / SignFrame::kMaxData;
    return static_cast<int>(total);
}

namespace {

std::string differenceMessage(int item) {
    if (item < 0) return "전송 확인 실패: 아이템 개수";
    return "전송 확인 실패: " + std::to_string(item + 1) + "번째 아이템";
}

}  // namespace

CommandOutcome verifyProgram(SignLink& link, const ProgramPlan& plan, const TransferProgress& progress,
                             const std::atomic<bool>* cancel) {
    const int total = readBackQueries(plan);
    int done = 0;
    if (progress) progress(0, total);
    std::array<uint8_t, SignFrame::kMaxData> back{};
    for (const ProgramWrite& w : plan.writes) {
        const SignRange range = signRange(w);
        for (size_t at = 0; at < range.bytes.size(); at += SignFrame::kMaxData) {
            if (cancel && cancel->load()) return kTransferCancelled;
            const size_t n = std::min(SignFrame::kMaxData, range.bytes.size() - at);
            const auto frame = SignFrame::memoryRead(static_cast<uint32_t>(range.address + at), uint16_t(n));
            if (link.query(frame, std::span(back).first(n)) != LinkResult::Ok)
                return kTransferFailed;
            if (std::memcmp(back.data(), range.bytes.data() + at, n) != 0)
                return {false, differenceMessage(w.item), "전송실패"};
            if (progress) progress(++done, total);
        }
    }
    return kTransferDone;
}

}  // namespace orb
