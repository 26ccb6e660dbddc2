#include "service/core/LoginThrottle.h"

#include <algorithm>

namespace orb {

namespace {
// Past this many keys, those whose wait is over and has been for the longest delay are dropped.
constexpr size_t kPruneAbove = 10000;
}  // namespace

int64_t LoginThrottle::waitMs(const std::string& key, int64_t nowMs) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(key);
    return it == entries_.end() ? 0 : std::max<int64_t>(0, it->second.notBeforeMs - nowMs);
}

void LoginThrottle::failed(const std::string& key, int64_t nowMs) {
    std::lock_guard lock(mutex_);
    if (entries_.size() > kPruneAbove) prune(nowMs);
    Entry& e = entries_[key];
    e.failures = std::min(e.failures + 1, 40);
    int64_t delay = firstMs_;
    for (int i = 1; i < e.failures && delay < longestMs_; ++i) delay *= 2;
    e.notBeforeMs = nowMs + std::min(delay, longestMs_);
}

void LoginThrottle::succeeded(const std::string& key) {
    std::lock_guard lock(mutex_);
    entries_.erase(key);
}

size_t LoginThrottle::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void LoginThrottle::prune(int64_t nowMs) {
    std::erase_if(entries_, [&](const auto& kv) { return kv.second.notBeforeMs + longestMs_ < nowMs; });
}

}  // namespace orb
