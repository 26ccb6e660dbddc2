#pragma once
// Runs the engine on a worker thread at the lowest priority with the real clock, sleeping until
// the next line deadline, and hands finished frames to the window.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "sign/VirtualSignHost.h"
#include "simulator/engine/SignEngine.h"

namespace orb {

class SignPlayer {
  public:
    // frameReady is called on the worker thread after a new frame was published (at most every
    // 10 ms); the window then takes it with copyFrame.
    SignPlayer(const ImageSource& image, const SignFonts& fonts, std::function<void()> frameReady);
    // Plays the virtual sign of the host instead, on the clock the host answers at (steady
    // milliseconds and the PC's local time), locking its mutex around each pass.
    SignPlayer(VirtualSignHost& host, std::function<void()> frameReady);
    ~SignPlayer();  // stops the worker and waits for it

    void startPlaying();
    void stop();
    // The latest published frame and the sign's size.
    void copyFrame(PlanePair& out, SignGeometry& geometry) const;
    // The share of full brightness the published frame is shown at.
    double brightness() const;
    // The clock the player passes at.
    static uint64_t steadyMs();
    bool alive() const { return alive_; }

  private:
    void run();
    // One pass at `now`; under the lock, publishes the frame when it changed. The next deadline.
    uint64_t passAndPublish(uint64_t now, bool publish, bool& published);

    std::unique_ptr<SignEngine> engine_;
    VirtualSignHost* host_ = nullptr;
    double brightness_ = 1.0;
    std::function<void()> frameReady_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false;
    std::atomic<bool> alive_{false};
    std::unique_ptr<PlanePair> published_;
    SignGeometry geometry_;
    std::thread worker_;
};

}  // namespace orb
