#pragma once
// The plans of the programs being pushed: a push to a hundred signs plans its program once. The
// few most recent plans are kept, each with the store it was made from (so a store's address is
// never taken for another's).
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "service/fleet/SignAction.h"

namespace orb {

class PlanCache {
  public:
    static constexpr size_t kKept = 4;

    // The plan of the push's items for its sign size; nothing, with MESSAGE naming what was
    // refused (the planner's own message for a program that does not fit), when it cannot be made.
    std::shared_ptr<const ProgramPlan> planFor(const PushProgram& push, std::string& message);

  private:
    struct Entry {
        std::shared_ptr<const ItemStore> store;
        int itemCount = 0;
        uint8_t width = 0, height = 0;
        std::shared_ptr<const ProgramPlan> plan;  // null when refused
        std::string message;
    };
    static Entry make(const PushProgram& push);

    std::mutex mutex_;           // held while a plan is made: the others wait for it rather than make it too
    std::deque<Entry> entries_;  // the most recent first
};

}  // namespace orb
