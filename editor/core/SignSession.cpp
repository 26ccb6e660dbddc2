#include "editor/core/SignSession.h"

#include <algorithm>
#include <chrono>

namespace orb {

SignSession::SignSession() {
    open_.link.useSerial(open_.serial);
    open_.link.watchWaits(&wait_);
}

SignSession::~SignSession() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

bool SignSession::openSerial(const SerialSettings& settings) {
    if (running_) return false;
    return open_.serial.open(settings);
}

bool SignSession::useSerial() {
    if (running_) return false;
    open_.tcp.disconnect();
    open_.link.useSerial(open_.serial);
    return true;
}

bool SignSession::useTcp(const std::string& host, uint16_t port) {
    if (running_) return false;
    open_.tcp.setPeer(host, port);
    open_.link.useTcp(open_.tcp);
    return true;
}

bool SignSession::start(Job job, std::function<void()> finished) {
    if (running_ || !job) return false;
    running_ = true;
    cancel_ = false;
    ended_ = false;
    done_ = total_ = 0;
    verifying_ = false;
    worker_ = std::thread([this, job = std::move(job), finished = std::move(finished)] {
        Control control;
        control.cancel = &cancel_;
        control.progress = [this](int done, int total) {
            total_ = total;
            done_ = done;
        };
        control.verifyProgress = [this](int done, int total) {
            if (!verifying_) {
                done_ = 0;
                verifying_ = true;
            }
            total_ = total;
            done_ = done;
        };
        outcome_ = job(open_.link, control);
        ended_ = true;
        if (finished) finished();
    });
    return true;
}

std::optional<ReplyWait> SignSession::replyWait() const {
    const int64_t since = wait_.sinceMs;
    if (since < 0) return std::nullopt;
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    return ReplyWait{static_cast<int>(std::max<int64_t>(0, now - since)), wait_.limitMs};
}

SessionProgress SignSession::progress() const {
    SessionProgress p;
    p.verifying = verifying_;
    p.total = total_;
    p.done = done_;
    return p;
}

CommandOutcome SignSession::take() {
    if (worker_.joinable()) worker_.join();
    running_ = false;
    return std::move(outcome_);
}

SignSession::Job transferJob(std::shared_ptr<const ItemStore> store, bool verify) {
    return [store = std::move(store), verify](SignLink& link, const SignSession::Control& c) {
        TransferOptions options;
        options.progress = c.progress;
        options.verify = verify;
        options.verifyProgress = c.verifyProgress;
        options.cancel = c.cancel;
        return transferProgram(link, *store, options);
    };
}

SignSession::Job sizeJob(uint8_t width, uint8_t height) {
    return [=](SignLink& link, const SignSession::Control&) { return applySize(link, width, height); };
}

SignSession::Job clockJob() {
    return [](SignLink& link, const SignSession::Control&) { return setClock(link, currentLocalTime()); };
}

SignSession::Job onOffJob(bool enabled, uint8_t onHour, uint8_t onMinute, uint8_t offHour,
                          uint8_t offMinute) {
    return [=](SignLink& link, const SignSession::Control&) {
        return applyOnOff(link, enabled, onHour, onMinute, offHour, offMinute);
    };
}

SignSession::Job displayWindowJob(uint8_t mode) {
    return [=](SignLink& link, const SignSession::Control&) { return applyDisplayWindow(link, mode); };
}

SignSession::Job brightnessJob(uint8_t level) {
    return [=](SignLink& link, const SignSession::Control&) { return setBrightness(link, level); };
}

SignSession::Job readBackJob(std::shared_ptr<ProgramReadBack> out) {
    return [into = std::move(out)](SignLink& link, const SignSession::Control& c) {
        ReadBackOptions options;
        options.progress = c.progress;
        options.cancel = c.cancel;
        const ReadBackOutcome read = readProgramBack(link, options, *into);
        if (read.result == ReadBackResult::Ok) return CommandOutcome(true, "", "");
        if (read.result == ReadBackResult::Cancelled) return kPullCancelled;
        return CommandOutcome(false, read.message, kPullFailedCaption);
    };
}

SignSession::Job connectJob() {
    return [](SignLink& link, const SignSession::Control&) {
        link.connect();
        return CommandOutcome{};
    };
}

}  // namespace orb
