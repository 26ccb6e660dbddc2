#include "service/http/FrameStreams.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "service/core/SignFrames.h"
#include "service/http/ApiError.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

using Clock = std::chrono::steady_clock;

// One open stream's place in the count, given back when the response (and its provider) goes.
class FrameStreams::Slot {
  public:
    explicit Slot(std::atomic<int>& open) : open_(open) {}
    ~Slot() { --open_; }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

  private:
    std::atomic<int>& open_;
};

std::shared_ptr<FrameStreams::Slot> FrameStreams::take() {
    int n = open_.load();
    do {
        if (stopping_ || n >= limits_.maxStreams) return nullptr;
    } while (!open_.compare_exchange_weak(n, n + 1));
    return std::make_shared<Slot>(open_);
}

namespace {

// What one stream keeps between its looks.
struct StreamState {
    std::shared_ptr<void> slot;
    SignNetwork* net = nullptr;
    int64_t sign = 0;
    std::string token;
    bool byCookie = false;
    int64_t clockOffsetMs = 0;
    std::string last;
    bool first = true;
    Clock::time_point lastWrite, lastCheck;
};

// The sign's local time now: the service's clock moved by the offset its clock was set with.
LocalTimestamp signNow(const StreamState& s) {
    return fromMillis(s.net->clock.nowMillis() + s.clockOffsetMs);
}

// The credentials are still valid and the sign still there (its clock offset taken anew).
bool stillServed(StreamState& s) {
    Principal who;
    const AuthCheck check =
        s.byCookie ? s.net->auth.byCookie(s.token, who) : s.net->auth.byBearer(s.token, who);
    if (check != AuthCheck::Ok || !mayAct(who.user.role, Role::Viewer)) return false;
    SignRecord sign;
    if (s.net->store.signs.get(s.sign, sign) != DbStatus::Ok) return false;
    s.clockOffsetMs = sign.settings.clockOffsetMs.value_or(0);
    return true;
}

std::string frameEvent(const LocalTimestamp& at, const std::string& rows) {
    const nlohmann::json data{{"at", toIsoText(at)}, {"rows", rows}};
    return "event: frame\ndata: " + data.dump() + "\n\n";
}

bool write(httplib::DataSink& sink, const std::string& text) {
    return sink.write(text.data(), text.size());
}

}  // namespace

void FrameStreams::serve(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    if (!call.net.frames) return sendError(call.res, 503, code::kUnavailable, "frames are not served");
    auto state = std::make_shared<StreamState>();
    state->net = &call.net;
    state->sign = call.pathId(1);
    state->token = presentedToken(call.req);
    state->byCookie = call.who.byCookie;
    SignRecord sign;
    if (!readOk(call, call.net.store.signs.get(state->sign, sign), "sign " + std::to_string(state->sign)))
        return;
    state->clockOffsetMs = sign.settings.clockOffsetMs.value_or(0);
    // The first frame is asked for here, so that a sign without frames is answered as the frame
    // route answers it rather than by a stream that stays silent.
    const LocalTimestamp at = signNow(*state);
    if (!succeeded(call, call.net.frames->frameAt(state->sign, at, state->last))) return;
    state->slot = take();
    if (!state->slot)
        return sendError(call.res, 503, code::kUnavailable,
                         "too many live frame streams are open (" + std::to_string(limits_.maxStreams) + ")");
    const std::string firstEvent = frameEvent(at, state->last);
    call.res.set_header("X-Accel-Buffering", "no");  // a reverse proxy passes events on at once
    call.res.set_chunked_content_provider(
        "text/event-stream", [this, state, firstEvent](size_t, httplib::DataSink& sink) {
            if (state->first) {
                state->first = false;
                state->lastWrite = state->lastCheck = Clock::now();
                return write(sink, "retry: 2000\n" + firstEvent);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(limits_.checkMs));
            const auto now = Clock::now();
            if (now - state->lastCheck >= std::chrono::milliseconds(limits_.signCheckMs)) {
                state->lastCheck = now;
                if (!stillServed(*state)) {
                    sink.done();
                    return true;
                }
            }
            if (stopping_) {
                sink.done();
                return true;
            }
            const LocalTimestamp when = signNow(*state);
            std::string rows;
            if (state->net->frames->frameAt(state->sign, when, rows).ok() && rows != state->last) {
                state->last = std::move(rows);
                state->lastWrite = now;
                return write(sink, frameEvent(when, state->last));
            }
            if (now - state->lastWrite >= std::chrono::milliseconds(limits_.keepAliveMs)) {
                state->lastWrite = now;
                return write(sink, ": keep-alive\n\n");
            }
            return true;
        });
}

}  // namespace orb::api
