#include "editor/core/SignCommands.h"

#include <thread>

#include "editor/core/ProgramVerify.h"
#include "editor/core/ProgramWriter.h"

namespace orb {

namespace {

// The model check's own failures, or nothing when the sign is the right model.
bool modelRefused(SignLink& link, CommandOutcome& out) {
    switch (link.checkModel()) {
        case ModelCheck::Ok:
            return false;
        case ModelCheck::NoAnswer:
            out = kSignSilent;
            return true;
        case ModelCheck::OtherModel:
            out = kOtherModel;
            return true;
    }
    return true;
}

enum class Sent { Ok, Failed, Cancelled };

// Sends frames, each acknowledged; once the cancel flag is set no further frame goes out.
class FrameSender {
  public:
    FrameSender(SignLink& link, const std::atomic<bool>* cancel) : link_(link), cancel_(cancel) {}

    Sent transact(const SignFrame& frame) {
        if (cancel_ && cancel_->load()) return Sent::Cancelled;
        return link_.transact(frame) == LinkResult::Ok ? Sent::Ok : Sent::Failed;
    }

    // Writes bytes into the sign's memory in frames of at most 512 bytes, each followed by a
    // 1 ms pause; reports every frame to `sent`.
    Sent writeMemory(uint64_t address, std::span<const uint8_t> bytes,
                     const std::function<void(size_t)>& sent) {
        for (size_t at = 0; at < bytes.size(); at += SignFrame::kMaxData) {
            const auto chunk = bytes.subspan(at, std::min(SignFrame::kMaxData, bytes.size() - at));
            const Sent r = transact(SignFrame::memoryWrite(static_cast<uint32_t>(address + at), chunk));
            if (r != Sent::Ok) return r;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (sent) sent(at + chunk.size());
        }
        return Sent::Ok;
    }

    Sent writeAndApply(uint64_t address, std::span<const uint8_t> bytes) {
        const Sent r = writeMemory(address, bytes, {});
        return r == Sent::Ok ? transact(SignFrame::apply()) : r;
    }

  private:
    SignLink& link_;
    const std::atomic<bool>* cancel_;
};

bool writeAndApply(SignLink& link, uint64_t address, std::span<const uint8_t> bytes) {
    return FrameSender(link, nullptr).writeAndApply(address, bytes) == Sent::Ok;
}

// The program writer's sign sink: contents and item headers become memory writes, the image
// header becomes the count write at 0x400A and SignApply.
class SignSink final : public ProgramSink {
  public:
    SignSink(FrameSender& sender, int total, const TransferProgress& progress)
        : sender_(sender), total_(total), progress_(progress) {}

    IoResult write(const ProgramWrite& w) override {
        const SignRange range = signRange(w);
        if (w.kind == ProgramWrite::Kind::ImageHeader)
            return outcome(sender_.writeAndApply(range.address, range.bytes));
        const int before = done_;
        const size_t size = range.bytes.size();
        return outcome(sender_.writeMemory(range.address, range.bytes, [&](size_t sentBytes) {
            // The write's steps are spread over its frames.
            done_ = before + static_cast<int>(static_cast<uint64_t>(w.transferSteps) * sentBytes / size);
            if (progress_) progress_(done_, total_);
        }));
    }
    bool cancelled() const { return cancelled_; }

  private:
    IoResult outcome(Sent r) {
        cancelled_ = r == Sent::Cancelled;
        return r == Sent::Ok ? IoResult::Ok : IoResult::WriteFailed;
    }

    FrameSender& sender_;
    int total_;
    int done_ = 0;
    const TransferProgress& progress_;
    bool cancelled_ = false;
};

std::vector<std::string> warningsOf(const ProgramPlan& plan) {
    std::vector<std::string> texts;
    for (const LineProblem& p : plan.resized) texts.push_back(describe(p));
    return texts;
}

// The plan's writes, the count and SignApply, then the read-back when asked for; the model check
// has been passed.
CommandOutcome sendPlan(SignLink& link, const ProgramPlan& plan, const TransferOptions& options) {
    // A GIF that cannot be loaded fails the transfer; it is found before anything is written.
    for (const PlannedItem& item : plan.items)
        for (const PlannedLine& line : item.lines)
            if (line.animationFailed) return kTransferFailed;

    int total = 0;
    for (const ProgramWrite& w : plan.writes) total += w.transferSteps;
    if (options.progress) options.progress(0, total);
    FrameSender sender(link, options.cancel);
    SignSink sink(sender, total, options.progress);
    CommandOutcome out;
    if (writeProgram(plan, sink) != IoResult::Ok)
        out = sink.cancelled() ? kTransferCancelled : kTransferFailed;
    else if (options.verify)
        out = verifyProgram(link, plan, options.verifyProgress, options.cancel);
    else
        out = kTransferDone;
    out.warnings = warningsOf(plan);
    return out;
}

}  // namespace

CommandOutcome transferProgram(SignLink& link, const ItemStore& store, const TransferOptions& options) {
    CommandOutcome out;
    if (options.cancel && options.cancel->load()) return kTransferCancelled;
    if (modelRefused(link, out)) return out;

    SettingsBlock settings;
    store.readSettings(settings);
    settings.correct();
    ProgramPlan plan;
    const PlanOutcome planned =
        planProgram(store, store.itemCount(), settings.signWidth(), settings.signHeight(), plan);
    if (planned.result != PlanResult::Ok) return {false, planned.message, "전송실패", MessageKind::Warning};
    return sendPlan(link, plan, options);
}

CommandOutcome transferPlan(SignLink& link, const ProgramPlan& plan, const TransferOptions& options) {
    CommandOutcome out;
    if (options.cancel && options.cancel->load()) return kTransferCancelled;
    if (modelRefused(link, out)) return out;
    return sendPlan(link, plan, options);
}

CommandOutcome applySize(SignLink& link, uint8_t width, uint8_t height) {
    CommandOutcome out;
    if (modelRefused(link, out)) return out;
    const std::array<uint8_t, 2> size{width, height};
    return writeAndApply(link, ProgramImage::kHeaderOffset, size)
               ? CommandOutcome{true, "규격 적용OK...", "OK..."}
               : kTransferFailed;
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
               : kTransferFailed;
}

CommandOutcome applyDisplayWindow(SignLink& link, uint8_t mode) {
    CommandOutcome out;
    if (modelRefused(link, out)) return out;
    const std::array<uint8_t, 1> value{mode};
    return writeAndApply(link, ProgramImage::kWindowModeOffset, value)
               ? CommandOutcome{true, "표출시간설정 OK...", "OK..."}
               : kTransferFailed;
}

CommandOutcome setBrightness(SignLink& link, uint8_t level) {
    return link.transact(SignFrame::setBrightness(level)) == LinkResult::Ok
               ? CommandOutcome{true, "밝기설정 OK...", "OK..."}
               : kTransferFailed;
}

}  // namespace orb
