#pragma once
// The commands that talk to the sign: the program transfer and the settings commands. Each
// runs to its end and says how it went with the message box text the editor shows.
#include <functional>
#include <string>

#include "image/ItemStore.h"
#include "image/LocalDateTime.h"
#include "link/SignLink.h"

namespace orb {

struct CommandOutcome {
    bool ok = false;
    std::string message;
    std::string caption;
};

// Called with the steps done and the step total as the transfer goes.
using TransferProgress = std::function<void(int done, int total)>;

// The program transfer of the "전 송" button: the model check; per item its contents in line
// order and its header; then the item count and SignApply. Stops at the first failure.
CommandOutcome transferProgram(SignLink& link, const ItemStore& store, const TransferProgress& progress);

CommandOutcome applySize(SignLink& link, uint8_t width, uint8_t height);
CommandOutcome setClock(SignLink& link, const LocalDateTime& now);
CommandOutcome applyOnOff(SignLink& link, bool enabled, uint8_t onHour, uint8_t onMinute, uint8_t offHour,
                          uint8_t offMinute);
CommandOutcome applyDisplayWindow(SignLink& link, uint8_t mode);
CommandOutcome setBrightness(SignLink& link, uint8_t level);  // 0..9

}  // namespace orb
