#pragma once
// One attempt of an action on one sign: opens the link (the TCP connection is made by the first
// frame), runs the action through the editor's sign commands and says what it saw of the sign.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "editor/core/ProgramReadBack.h"
#include "service/fleet/FleetRunner.h"

namespace orb {

class PlanCache;

struct AttemptHooks {
    const std::atomic<bool>* cancel = nullptr;  // set: no frame after the one in flight
    std::function<LocalDateTime()> clock;
    std::function<void(int done, int total)> progress;  // a push's frames, then its read-back queries
    std::function<void()> touched;                      // a push's first memory write went out
};

enum class AttemptEnd {
    Done,
    Failed,     // may be tried again
    Final,      // failed, and trying again would not help: another model, a refused program
    Cancelled,  // stopped by the cancel flag
};

struct AttemptResult {
    AttemptEnd end = AttemptEnd::Failed;
    std::string message;
    std::optional<SignHealth> health;  // nothing when no frame went out
    bool memoryTouched = false;
    std::optional<LocalDateTime> appliedAt;
    std::optional<LocalDateTime> answeredAt;
    std::shared_ptr<const ProgramReadBack> pulled;  // a pull's program, when Done
};

AttemptResult runAction(const SignAddress& address, const SignAction& action, PlanCache& plans,
                        const AttemptHooks& hooks);

// What CheckHolding found different between what the sign holds (its item count and item table,
// read back) and the plan; empty when nothing.
std::string holdingDifference(const ProgramReadBack& held, const ProgramPlan& expected);

}  // namespace orb
