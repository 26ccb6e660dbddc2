#pragma once
// The service's one clock. Everything that records or sends a time (stored times, the signs'
// clocks, sessions, the frame a sign shows) asks this object, so that tests and --testing-clock
// move it all together.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/LocalDateTime.h"

namespace orb {

// A local date and time to the millisecond.
struct LocalTimestamp {
    LocalDateTime time;
    int millisecond = 0;  // 0..999
};

// "YYYY-MM-DDTHH:MM:SS.mmm", the form stored and given by the API.
std::string toIsoText(const LocalTimestamp& t);
// "YYYY-MM-DDTHH:MM:SS" with an optional ".mmm" (one to three digits); false for anything else or
// a day that does not exist.
bool parseIsoText(std::string_view text, LocalTimestamp& out);

// Milliseconds since 1970-01-01 00:00 of the same calendar (no zone: local times compared and
// moved as they are written).
int64_t toMillis(const LocalTimestamp& t);
LocalTimestamp fromMillis(int64_t ms);

class ServiceClock {
  public:
    // The machine's local time.
    ServiceClock();
    // For tests: START now, advancing RATE times as fast as the real clock.
    ServiceClock(const LocalTimestamp& start, double rate);

    LocalTimestamp now() const;
    int64_t nowMillis() const { return toMillis(now()); }
    bool testing() const { return testing_; }
    // Moves a testing clock on at once (tests of expiry and delays).
    void advance(int64_t ms) { shiftMs_ += ms; }

  private:
    std::atomic<int64_t> shiftMs_{0};
    bool testing_ = false;
    int64_t startMs_ = 0;
    double rate_ = 1;
    std::chrono::steady_clock::time_point origin_;
};

}  // namespace orb
