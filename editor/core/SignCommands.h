#pragma once
// The commands that talk to the sign: the program transfer and the settings commands. Each
// runs to its end and says how it went with the message box text the editor shows.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "editor/core/MessageKind.h"
#include "image/ItemStore.h"
#include "image/LocalDateTime.h"
#include "link/SignLink.h"

namespace orb {

struct CommandOutcome {
    CommandOutcome() = default;
    // A success shows the information icon, a failure the critical one, unless KIND says otherwise.
    CommandOutcome(bool isOk, std::string text, std::string title)
        : ok(isOk),
          message(std::move(text)),
          caption(std::move(title)),
          kind(isOk ? MessageKind::Information : MessageKind::Critical) {}
    CommandOutcome(bool isOk, std::string text, std::string title, MessageKind shownAs)
        : ok(isOk), message(std::move(text)), caption(std::move(title)), kind(shownAs) {}

    bool ok = false;
    std::string message;
    std::string caption;
    MessageKind kind = MessageKind::Critical;
    // Shown once beside the outcome, whatever it is: lines whose picture file changed size since it
    // was chosen, one text per line naming the item.
    std::vector<std::string> warnings;
};

// Called with the steps done and the step total as the transfer goes.
using TransferProgress = std::function<void(int done, int total)>;

// The transfer's own outcomes, shared by its read-back.
inline const CommandOutcome kTransferDone{true, "전송 완료 했습니다", "전송완료"};
inline const CommandOutcome kTransferFailed{false, "전송 실패 했습니다", "전송실패"};
inline const CommandOutcome kTransferCancelled{false, "전송을 취소했습니다", "전송실패",
                                               MessageKind::Warning};
// The read-back of "전광판에서 가져오기".
inline const CommandOutcome kPullCancelled{false, "가져오기를 취소했습니다", "가져오기실패",
                                           MessageKind::Warning};
inline const char* const kPullFailedCaption = "가져오기실패";
// The model check's refusals, shared by every command that begins with it.
inline const CommandOutcome kSignSilent{false, "전광판과의 연결상태를 확인해주세요!...", "전송실패"};
inline const CommandOutcome kOtherModel{false, "전광판모델이 다릅니다", "전송실패"};

struct TransferOptions {
    TransferProgress progress;
    // After SignApply every range written is read back and compared.
    bool verify = false;
    TransferProgress verifyProgress;  // one step per read query
    // Set from another thread to stop: the frame in flight is finished, no other is sent.
    const std::atomic<bool>* cancel = nullptr;
};

// The program transfer of the "전 송" button: the model check; per item its contents in line
// order and its header; then the item count and SignApply. Stops at the first failure.
CommandOutcome transferProgram(SignLink& link, const ItemStore& store, const TransferOptions& options);

struct ProgramPlan;
// The same transfer of a program planned beforehand (planProgram), for a sender that sends one
// plan to many signs: the model check, then the plan's writes, the count and SignApply.
CommandOutcome transferPlan(SignLink& link, const ProgramPlan& plan, const TransferOptions& options);

CommandOutcome applySize(SignLink& link, uint8_t width, uint8_t height);
CommandOutcome setClock(SignLink& link, const LocalDateTime& now);
CommandOutcome applyOnOff(SignLink& link, bool enabled, uint8_t onHour, uint8_t onMinute, uint8_t offHour,
                          uint8_t offMinute);
CommandOutcome applyDisplayWindow(SignLink& link, uint8_t mode);
CommandOutcome setBrightness(SignLink& link, uint8_t level);  // 0..9

}  // namespace orb
