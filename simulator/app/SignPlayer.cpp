#include "simulator/app/SignPlayer.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <cstring>

namespace orb {

uint64_t SignPlayer::steadyMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

SignPlayer::SignPlayer(VirtualSignHost& host, std::function<void()> frameReady)
    : host_(&host), frameReady_(std::move(frameReady)), published_(std::make_unique<PlanePair>()) {}

double SignPlayer::brightness() const {
    std::lock_guard lock(mutex_);
    return brightness_;
}

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

uint64_t SignPlayer::passAndPublish(uint64_t now, bool publish, bool& published) {
    std::unique_lock<std::mutex> signLock;
    if (host_) signLock = std::unique_lock(host_->mutex());
    const PlanePair* front = nullptr;
    const SignGeometry* geometry = nullptr;
    double brightness = 1.0;
    uint64_t next = 0;
    if (host_) {
        VirtualSign& sign = host_->sign();
        sign.pass(now, currentLocalTime());
        front = &sign.frame(), geometry = &sign.geometry(), brightness = sign.brightness();
        next = sign.nextDeadline();
    } else {
        engine_->pass(now, currentLocalTime());
        front = &engine_->frontFrame(), geometry = &engine_->geometry();
        next = engine_->nextDeadline();
    }
    published = false;
    if (!publish) return next;
    std::lock_guard lock(mutex_);
    // An unchanged frame needs no repaint.
    published = std::memcmp(front, published_.get(), sizeof *front) != 0 || !(geometry_ == *geometry) ||
                brightness != brightness_;
    if (published) {
        *published_ = *front;
        geometry_ = *geometry;
        brightness_ = brightness;
    }
    return next;
}

void SignPlayer::run() {
    alive_ = true;
    // The sign's loop runs at the lowest priority, as on the sign's PC.
    sched_param idle{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);

    uint64_t now = steadyMs();
    if (engine_) engine_->start(now, currentLocalTime());
    uint64_t repaint = now + 10;
    std::unique_lock lock(mutex_);
    while (running_) {
        lock.unlock();
        now = steadyMs();
        bool published = false;
        const bool due = now > repaint;
        const uint64_t deadline = passAndPublish(now, due, published);
        if (due) repaint = now + 10;
        if (published && frameReady_) frameReady_();
        lock.lock();
        // Sleep until a line falls due or the next repaint, instead of spinning.
        const uint64_t next = std::min(deadline, repaint + 1);
        if (next > now)
            wake_.wait_for(lock, std::chrono::milliseconds(next - now), [this] { return !running_; });
    }
    alive_ = false;
}

}  // namespace orb
