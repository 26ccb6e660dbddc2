#include "simulator/app/SignPlayer.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <cstring>

namespace orb {

namespace {
uint64_t steadyMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

SignPlayer::SignPlayer(const ImageSource& image, const SignFonts& fonts, std::function<void()> frameReady)
    : engine_(std::make_unique<SignEngine>(image, fonts)),
      frameReady_(std::move(frameReady)),
      published_(std::make_unique<PlanePair>()) {}

SignPlayer::~SignPlayer() {
    stop();
}

void SignPlayer::startPlaying() {
    std::lock_guard lock(mutex_);
    if (running_) return;
    running_ = true;
    worker_ = std::thread([this] { run(); });
}

void SignPlayer::stop() {
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void SignPlayer::copyFrame(PlanePair& out, SignGeometry& geometry) const {
    std::lock_guard lock(mutex_);
    out = *published_;
    geometry = geometry_;
}

void SignPlayer::run() {
    alive_ = true;
    // The sign's loop runs at the lowest priority, as on the sign's PC.
    sched_param idle{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);

    uint64_t now = steadyMs();
    engine_->start(now, currentLocalTime());
    uint64_t repaint = now + 10;
    std::unique_lock lock(mutex_);
    while (running_) {
        lock.unlock();
        now = steadyMs();
        engine_->pass(now, currentLocalTime());
        bool publish = now > repaint;
        lock.lock();
        if (publish) {
            repaint = now + 10;
            // An unchanged frame needs no repaint.
            const PlanePair& front = engine_->frontFrame();
            publish = std::memcmp(&front, published_.get(), sizeof front) != 0 ||
                      !(geometry_ == engine_->geometry());
            if (publish) {
                *published_ = front;
                geometry_ = engine_->geometry();
            }
        }
        lock.unlock();
        if (publish && frameReady_) frameReady_();
        lock.lock();
        // Sleep until a line falls due or the next repaint, instead of spinning.
        const uint64_t next = std::min(engine_->nextDeadline(), repaint + 1);
        if (next > now)
            wake_.wait_for(lock, std::chrono::milliseconds(next - now), [this] { return !running_; });
    }
    alive_ = false;
}

}  // namespace orb
