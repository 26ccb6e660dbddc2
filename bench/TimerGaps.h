#pragma once
// A 5 ms timer on the window's event loop: the longest wait between two of its ticks shows how
// long the loop was kept from its events while the work being measured ran.
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace orb::bench {

class TimerGaps {
  public:
    using Clock = std::chrono::steady_clock;

    TimerGaps() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            note();
            ++ticks_;
        });
        timer_.start(5);
    }

    // Stops the timer, counting the wait since its last tick.
    void stop() {
        note();
        timer_.stop();
    }
    double longestMs() const { return longest_; }
    int ticks() const { return ticks_; }

  private:
    void note() {
        const Clock::time_point now = Clock::now();
        longest_ = std::max(longest_, std::chrono::duration<double, std::milli>(now - last_).count());
        last_ = now;
    }

    QTimer timer_;
    Clock::time_point last_ = Clock::now();
    double longest_ = 0;
    int ticks_ = 0;
};

}  // namespace orb::bench
