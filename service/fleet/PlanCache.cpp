#include "service/fleet/PlanCache.h"

namespace orb {

PlanCache::Entry PlanCache::make(const PushProgram& push) {
    Entry e{push.store, push.itemCount, push.width, push.height, nullptr, {}};
    if (!push.store) {
        e.message = "no program to push";
    } else if (push.itemCount < 0 || push.itemCount > ItemStore::kRecords) {
        e.message = "a program has 0 to 100 items, not " + std::to_string(push.itemCount);
    } else if (push.width < 5 || push.width > 40 || push.height < 1 || push.height > 8) {
        e.message = "a sign is 5 to 40 modules wide and 1 to 8 high";
    } else {
        auto plan = std::make_shared<ProgramPlan>();
        const PlanOutcome planned = planProgram(*push.store, push.itemCount, push.width, push.height, *plan);
        if (planned.result == PlanResult::Ok)
            e.plan = std::move(plan);
        else
            e.message = planned.message.empty() ? "the program cannot be read" : planned.message;
    }
    return e;
}

std::shared_ptr<const ProgramPlan> PlanCache::planFor(const PushProgram& push, std::string& message) {
    std::lock_guard lock(mutex_);
    auto it = entries_.begin();
    while (it != entries_.end() && !(it->store == push.store && it->itemCount == push.itemCount &&
                                     it->width == push.width && it->height == push.height))
        ++it;
    Entry e = it != entries_.end() ? std::move(*it) : make(push);
    if (it != entries_.end()) entries_.erase(it);
    entries_.push_front(std::move(e));
    if (entries_.size() > kKept) entries_.pop_back();
    message = entries_.front().message;
    return entries_.front().plan;
}

}  // namespace orb
