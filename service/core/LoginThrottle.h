#pragma once
// Slows down password guessing: after a failed login, the same user name and the same client
// address must wait before their next try, twice as long after each further failure (from the
// first delay up to the longest). A success clears the user's and the address's count.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace orb {

class LoginThrottle {
  public:
    LoginThrottle(int64_t firstDelayMs, int64_t longestDelayMs)
        : firstMs_(firstDelayMs), longestMs_(longestDelayMs) {}

    // How long KEY must still wait at NOWMS before a try is heard; 0 when it may try now.
    int64_t waitMs(const std::string& key, int64_t nowMs) const;
    void failed(const std::string& key, int64_t nowMs);
    void succeeded(const std::string& key);

    // Keys remembered; entries whose wait has long passed are dropped as new ones come.
    size_t size() const;

  private:
    struct Entry {
        int failures = 0;
        int64_t notBeforeMs = 0;
    };
    void prune(int64_t nowMs);

    int64_t firstMs_, longestMs_;
    mutable std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

}  // namespace orb
