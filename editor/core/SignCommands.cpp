#include "editor/core/SignCommands.h"

#include <thread>

#include "editor/core/ProgramWriter.h"

namespace orb {

namespace {

const CommandOutcome kFailed{false, "전송 실패 했습니다", "전송실패"};

// The model check's own failures, or nothing when the sign is the right model.
bool modelRefused(SignLink& link, CommandOutcome& out) {
    switch (link.checkModel()) {
        case ModelCheck::Ok:
            return false;
        case ModelCheck::NoAnswer:
            out = {false, "전광판과의 연결상태를 확인해주세요!...", "전송실패"};
            return true;
        case ModelCheck::OtherModel:
            out = {false, "전광판모델이 다릅니다", "전송실패"};
            return true;
    }
    return true;
}

// Writes bytes into the sign's memory in frames of at most 512 bytes, each acknowledged and
// followed by a 1 ms pause; reports every frame to `sent`.
bool writeMemory(SignLink& link, uint64_t address, std::span<const uint8_t> bytes,
                 const std::function<void(size_t)>& sent) {
    for (size_t at = 0; at < bytes.size(); at += SignFrame::kMaxData) {
        const auto chunk = bytes.subspan(at, std::min(SignFrame::kMaxData, bytes.size() - at));
        if (link.transact(SignFrame::memoryWrite(static_cast<uint32_t>(address + at), chunk)) !=
            LinkResult::Ok)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (sent) sent(at + chunk.size());
    }
    return true;
}

bool writeAndApply(SignLink& link, uint32_t address, std::span<const uint8_t> bytes) {
    return writeMemory(link, address, bytes, {}) && link.transact(SignFrame::apply()) == LinkResult::Ok;
}

// The program writer's sign sink: contents and item headers become memory writes, the image
// header becomes the count write at 0x400A and SignApply.
class SignSink final : public ProgramSink {
  public:
    SignSink(SignLink& link, int total, const TransferProgress& progress)
        : link_(link), total_(total), progress_(progress) {}

    IoResult write(const ProgramWrite& w) override {
        if (w.kind == ProgramWrite::Kind::ImageHeader) {
            const std::span<const uint8_t> count(w.bytes.data() + 2, 2);
            return writeAndApply(link_, ProgramImage::kHeaderOffset + 2, count) ? IoResult::Ok
                                                                                : IoResult::WriteFailed;
        }
        const int before = done_;
        const size_t size = w.bytes.size();
        const bool ok = writeMemory(link_, w.address, w.bytes, [&](size_t sentBytes) {
            // The write's steps are spread over its frames.
            done_ = before + static_cast<int>(static_cast<uint64_t>(w.transferSteps) * sentBytes / size);
            if (progress_) progress_(done_, total_);
        });
        return ok ? IoResult::Ok : IoResult::WriteFailed;
    }

  private:
    SignLink& link_;
    int total_;
    int done_ = 0;
    const TransferProgress& progress_;
};

}  // namespace

CommandOutcome transferProgram(SignLink& link, const ItemStore& store, const TransferProgress& progress) {
    CommandOutcome out;
    if (modelRefused(link, out)) return out;

    SettingsBlock settings;
    store.readSettings(settings);
    settings.correct();
    ProgramPlan plan;
    const PlanOutcome planned =
        planProgram(store, store.itemCount(), settings.signWidth(), settings.signHeight(), plan);
    if (planned.result != PlanResult::Ok) return {false, planned.message, "전송실패"};
    // A GIF that cannot be loaded fails the transfer; it is found before anything is written.
    for (const PlannedItem& item : plan.items)
        for (const PlannedLine& line : item.lines)
            if (line.animationFailed) return kFailed;

    int total = 0;
    for (const ProgramWrite& w : plan.writes) total += w.transferSteps;
    if (progress) progress(0, total);
    SignSink sink(link, total, progress);
    if (writeProgram(plan, sink) != IoResult::Ok) return kFailed;
    return {true, "전송 완료 했습니다", "전송완료"};
}

CommandOutcome applySize(SignLink& link, uint8_t width, uint8_t height) {
    CommandOutcome out;
    if (modelRefused(link, out)) return out;
    const std::array<uint8_t, 2> size{width, height};
    return writeAndApply(link, ProgramImage::kHeaderOffset, size)
               ? CommandOutcome{true, "규격 적용OK...", "OK..."}
               : kFailed;
}

CommandOutcome setClock(SignLink& link, const LocalDateTime& now) {
    CommandOutcome out;
    if (modelRefused(link, out)) return out;
    return link.transact(SignFrame::setClock(now)) == LinkResult::Ok
               ? CommandOutcome{true, "시각설정 완료", "설정완료"}
               : CommandOutcome{false, "시각설정 실패", "설정실패"};
}

CommandOutcome applyOnOff(SignLink& link, bool enabled, uint8_t onHour, uint8_t onMinute, uint8_t offHour,
                          uint8_t offMinute) {
    CommandOutcome out;
    if (modelRefused(link, out)) return out;
    return link.transact(SignFrame::setOnOff(enabled, onHour, onMinute, offHour, offMinute)) == LinkResult::Ok
               ? CommandOutcome{true, "ON/OFF 적용OK...", "OK..."}
               : kFailed;
}

CommandOutcome applyDisplayWindow(SignLink& link, uint8_t mode) {
    CommandOutcome out;
    if (modelRefused(link, out)) return out;
    const std::array<uint8_t, 1> value{mode};
    return writeAndApply(link, ProgramImage::kWindowModeOffset, value)
               ? CommandOutcome{true, "표출시간설정 OK...", "OK..."}
               : kFailed;
}

CommandOutcome setBrightness(SignLink& link, uint8_t level) {
    return link.transact(SignFrame::setBrightness(level)) == LinkResult::Ok
               ? CommandOutcome{true, "밝기설정 OK...", "OK..."}
               : kFailed;
}

}  // namespace orb
