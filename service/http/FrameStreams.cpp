#include "service/http/FrameStreams.h"

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "image/DecimalNumber.h"
#include "service/core/SignFrames.h"
#include "service/http/ApiError.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

using Clock = std::chrono::steady_clock;

// One open stream's place in the count, given back when the response (and its provider) goes.
class FrameStreams::Slot {
  public:
    Slot(std::atomic<int>& open, std::atomic<int>& watched, int signs)
        : open_(open), watched_(watched), signs_(signs) {}
    ~Slot() {
        --open_;
        watched_ -= signs_;
    }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

  private:
    std::atomic<int>& open_;
    std::atomic<int>& watched_;
    const int signs_;
};

std::shared_ptr<FrameStreams::Slot> FrameStreams::take(int signs) {
    std::lock_guard lock(taking_);
    if (stopping_ || open_ >= limits_.maxStreams || watched_ + signs > limits_.maxSigns) return nullptr;
    ++open_;
    watched_ += signs;
    return std::make_shared<Slot>(open_, watched_, signs);
}

namespace {

// One sign a stream follows.
struct Watched {
    int64_t sign = 0;
    int64_t clockOffsetMs = 0;
    std::string last;  // the rows last sent
};

// What one stream keeps between its looks. A stream of several signs names the sign in each
// event, and a sign that goes away or has no frames leaves it rather than ending it.
struct StreamState {
    std::shared_ptr<void> slot;
    SignNetwork* net = nullptr;
    std::vector<Watched> signs;
    bool several = false;
    std::string token;
    bool byCookie = false;
    bool first = true;
    Clock::time_point lastWrite, lastCheck;
};

// The sign's local time now: the service's clock moved by the offset its clock was set with.
LocalTimestamp signNow(const StreamState& s, const Watched& w) {
    return fromMillis(s.net->clock.nowMillis() + w.clockOffsetMs);
}

// The credentials are still valid and the signs still there (their clock offsets taken anew).
bool stillServed(StreamState& s) {
    Principal who;
    const AuthCheck check =
        s.byCookie ? s.net->auth.byCookie(s.token, who) : s.net->auth.byBearer(s.token, who);
    if (check != AuthCheck::Ok || !mayAct(who.user.role, Role::Viewer)) return false;
    std::erase_if(s.signs, [&s](Watched& w) {
        SignRecord sign;
        if (s.net->store.signs.get(w.sign, sign) != DbStatus::Ok) return true;
        w.clockOffsetMs = sign.settings.clockOffsetMs.value_or(0);
        return false;
    });
    return !s.signs.empty();
}

std::string frameEvent(const StreamState& s, const Watched& w, const LocalTimestamp& at) {
    nlohmann::json data{{"at", toIsoText(at)}, {"rows", w.last}};
    if (s.several) data["sign"] = w.sign;
    return "event: frame\ndata: " + data.dump() + "\n\n";
}

bool write(httplib::DataSink& sink, const std::string& text) {
    return sink.write(text.data(), text.size());
}

// Events for the signs whose frame changed since the last look ("" for none).
std::string changedFrames(StreamState& s) {
    std::string events;
    for (Watched& w : s.signs) {
        const LocalTimestamp when = signNow(s, w);
        std::string rows;
        if (s.net->frames->frameAt(w.sign, when, rows).ok() && rows != w.last) {
            w.last = std::move(rows);
            events += frameEvent(s, w, when);
        }
    }
    return events;
}

// "1,2,3": at most MAX distinct sign ids; nullopt when not such a list.
std::optional<std::vector<int64_t>> signList(const std::string& text, size_t max) {
    std::vector<int64_t> ids;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::optional<uint64_t> id = parseDecimal(std::string_view(text).substr(start, comma - start),
                                                        1, uint64_t{999999999999999999});
        if (!id || std::find(ids.begin(), ids.end(), static_cast<int64_t>(*id)) != ids.end())
            return std::nullopt;
        ids.push_back(static_cast<int64_t>(*id));
        start = comma + 1;
    }
    if (ids.size() > max) return std::nullopt;
    return ids;
}

}  // namespace

void FrameStreams::serve(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    if (!call.net.frames) return sendError(call.res, 503, code::kUnavailable, "frames are not served");
    auto state = std::make_shared<StreamState>();
    Watched w;
    w.sign = call.pathId(1);
    SignRecord sign;
    if (!readOk(call, call.net.store.signs.get(w.sign, sign), "sign " + std::to_string(w.sign))) return;
    w.clockOffsetMs = sign.settings.clockOffsetMs.value_or(0);
    state->net = &call.net;
    // The first frame is asked for here, so that a sign without frames is answered as the frame
    // route answers it rather than by a stream that stays silent.
    const LocalTimestamp at = signNow(*state, w);
    if (!succeeded(call, call.net.frames->frameAt(w.sign, at, w.last))) return;
    const std::string first = frameEvent(*state, w, at);
    state->signs.push_back(std::move(w));
    start(call, state, first);
}

void FrameStreams::serveSeveral(ApiCall& call) {
    if (!onlyParams(call, {"signs"})) return;
    if (!call.net.frames) return sendError(call.res, 503, code::kUnavailable, "frames are not served");
    const std::optional<std::vector<int64_t>> ids =
        signList(call.req.get_param_value("signs"), static_cast<size_t>(limits_.maxSignsPerStream));
    if (!ids)
        return sendError(call.res, 422, code::kInvalid,
                         "signs: 1 to " + std::to_string(limits_.maxSignsPerStream) +
                             " different sign ids, separated by commas");
    auto state = std::make_shared<StreamState>();
    state->net = &call.net;
    state->several = true;
    for (const int64_t id : *ids) {
        SignRecord sign;
        if (!readOk(call, call.net.store.signs.get(id, sign), "sign " + std::to_string(id))) return;
        state->signs.push_back({id, sign.settings.clockOffsetMs.value_or(0), {}});
    }
    start(call, state, changedFrames(*state));
}

void FrameStreams::start(ApiCall& call, const std::shared_ptr<void>& prepared,
                         const std::string& firstEvents) {
    const auto state = std::static_pointer_cast<StreamState>(prepared);
    state->token = presentedToken(call.req);
    state->byCookie = call.who.byCookie;
    state->slot = take(static_cast<int>(state->signs.size()));
    if (!state->slot)
        return sendError(call.res, 503, code::kUnavailable,
                         "too many live frames are followed (at most " + std::to_string(limits_.maxStreams) +
                             " streams of " + std::to_string(limits_.maxSigns) + " signs in all)");
    call.res.set_header("X-Accel-Buffering", "no");  // a reverse proxy passes events on at once
    call.res.set_chunked_content_provider(
        "text/event-stream", [this, state, firstEvents](size_t, httplib::DataSink& sink) {
            if (state->first) {
                state->first = false;
                state->lastWrite = state->lastCheck = Clock::now();
                return write(sink, "retry: 2000\n" + firstEvents);
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
            if (const std::string events = changedFrames(*state); !events.empty()) {
                state->lastWrite = now;
                return write(sink, events);
            }
            if (now - state->lastWrite >= std::chrono::milliseconds(limits_.keepAliveMs)) {
                state->lastWrite = now;
                return write(sink, ": keep-alive\n\n");
            }
            return true;
        });
}

}  // namespace orb::api
