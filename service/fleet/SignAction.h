#pragma once
// What the runner does on one sign: push a program (verified by read-back), one of the settings
// commands, a health check, or reading its program back.
#include <cstdint>
#include <memory>
#include <variant>

#include "editor/core/ProgramWriter.h"
#include "image/ItemHeader.h"
#include "image/ItemStore.h"

namespace orb {

// Items 0 .. itemCount - 1 of the store, planned for a sign of width x height modules. The store
// is only read, by one runner thread at a time; every push of the same store, count and size
// shares one plan.
struct PushProgram {
    std::shared_ptr<const ItemStore> store;
    int itemCount = 0;
    uint8_t width = 6, height = 1;
};
struct SetSize {
    uint8_t width, height;
};
struct SetClockNow {};  // the runner's local clock at the moment it is sent
struct SetOnOff {
    bool enabled;
    ClockTime on, off;
};
struct SetDisplayWindow {
    uint8_t mode;  // 0 or 1
};
struct SetBrightness {
    uint8_t level;  // 0..9
};
struct CheckModel {};  // the cheapest frame: the model string read back
// The model check, then the item count at 0x400A and the item table read back and compared with
// the plan's; with no plan only the model check.
struct CheckHolding {
    std::shared_ptr<const ProgramPlan> expected;
};
// The model check, then the item count, the item table and the content of every line read back;
// the program goes with the task's Done report. Reads only: what the sign holds stays as it was.
struct PullProgram {};
using SignAction = std::variant<PushProgram, SetSize, SetClockNow, SetOnOff, SetDisplayWindow, SetBrightness,
                                CheckModel, CheckHolding, PullProgram>;

}  // namespace orb
