#include "service/core/SignFrames.h"

#include "content/GifWriter.h"
#include "editor/core/ProgramJson.h"
#include "editor/core/ProgramWriter.h"

namespace orb {

namespace {

// Images kept for the plays (32 MiB each); older ones are dropped when more are needed.
constexpr size_t kKeptImages = 4;

// The size the sign plays at: the one of its last push, unless a size command came after it.
std::pair<int, int> sizeOf(const SignRecord& s) {
    const SignSettingsRecord& g = s.settings;
    if (g.sizeAt && *g.sizeAt >= s.holding.since && g.width && g.height) return {*g.width, *g.height};
    return {s.width, s.height};
}

SignSettings playSettings(const SignRecord& s) {
    SignSettings out;
    const auto [width, height] = sizeOf(s);
    out.width = static_cast<uint8_t>(width);
    out.height = static_cast<uint8_t>(height);
    const SignSettingsRecord& g = s.settings;
    if (g.onOffEnabled.value_or(false)) {
        const auto on = parseClockText(g.onTime.value_or("")), off = parseClockText(g.offTime.value_or(""));
        if (on && off) out.onOff = {true, on->hour, on->minute, off->hour, off->minute};
    }
    out.windowMode = static_cast<uint8_t>(g.windowMode.value_or(0));
    out.brightness = g.brightness.value_or(-1);
    return out;
}

}  // namespace

SignFrames::SignFrames(ServiceStore& store, const ServiceClock& clock, const SignFonts& fonts,
                       SignFrameLimits limits)
    : store_(store), clock_(clock), fonts_(fonts), limits_(limits), keeper_([this] { keeper(); }) {}

SignFrames::~SignFrames() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    keeper_.join();
}

void SignFrames::keeper() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        const bool behind = keepUp();
        lock.lock();
        if (!behind)
            wake_.wait_for(lock, std::chrono::milliseconds(limits_.keepEveryMs),
                           [this] { return stopping_; });
    }
}

bool SignFrames::keepUp() {
    const int64_t now = clock_.nowMillis();
    std::vector<std::shared_ptr<Play>> plays;
    {
        std::lock_guard lock(mutex_);
        for (auto it = plays_.begin(); it != plays_.end();) {
            if (it->second->askedMs < now - limits_.dropAfterMs) {
                it = plays_.erase(it);
                continue;
            }
            plays.push_back(it->second);
            ++it;
        }
    }
    bool behind = false;
    for (const std::shared_ptr<Play>& play : plays) {
        std::lock_guard lock(play->mutex);
        if (!play->playback) continue;
        // No further than the earliest time that may be asked for, one step at a time.
        const int64_t goal = now - limits_.beforeNowMs - play->sinceMs;
        const int64_t played = std::max<int64_t>(play->playback->playedMs(), 0);
        if (goal <= played) continue;
        const int64_t step = std::min<int64_t>(goal, played + static_cast<int64_t>(limits_.stepMs));
        const LocalTimestamp to = fromMillis(play->sinceMs + step);
        play->playback->playTo({to.time, to.millisecond});
        behind = behind || step < goal;
    }
    return behind;
}

std::shared_ptr<SignFrames::Play> SignFrames::playOf(int64_t id) {
    std::lock_guard lock(mutex_);
    auto& play = plays_[id];
    if (!play) {
        if (plays_.size() > limits_.keptPlays) {
            // Dropped plays start again from their SignApply when next asked for.
            for (auto it = plays_.begin(); it != plays_.end();)
                it = it->first == id ? std::next(it) : plays_.erase(it);
        }
        play = std::make_shared<Play>();
        play->askedMs = clock_.nowMillis();
    }
    return play;
}

ServiceResult SignFrames::imageOf(const SignHolding& holding, int width, int height,
                                  std::shared_ptr<const ProgramImage>& image) {
    const ImageKey key{holding.program, holding.version, width, height};
    {
        std::lock_guard lock(mutex_);
        if (const auto it = images_.find(key); it != images_.end()) {
            image = it->second;
            return {};
        }
    }
    auto built = std::make_shared<ProgramImage>();
    if (holding.kind == SignHolding::Program) {
        ProgramVersionRecord v;
        const std::string what =
            "program " + std::to_string(holding.program) + " version " + std::to_string(holding.version);
        if (const DbStatus s = store_.programs.version(holding.program, holding.version, v);
            s != DbStatus::Ok)
            return resultOf(s, what);
        ItemStore items;
        ProgramPlan plan;
        ImageSink sink(*built);
        if (v.store.size() != ItemStore::kFileSize ||
            items.writeAll(std::span<const uint8_t, ItemStore::kFileSize>(
                v.store.data(), ItemStore::kFileSize)) != IoResult::Ok ||
            planProgram(items, v.itemCount, static_cast<uint8_t>(width), static_cast<uint8_t>(height), plan)
                    .result != PlanResult::Ok ||
            writeProgram(plan, sink) != IoResult::Ok)
            return ServiceResult::fail(Outcome::StorageFailed, what + " cannot be built");
    }
    std::lock_guard lock(mutex_);
    if (images_.size() >= kKeptImages) images_.clear();
    images_[key] = built;
    image = std::move(built);
    return {};
}

ServiceResult SignFrames::startPlay(const SignRecord& sign, const PlayKey& key, Play& play) {
    LocalTimestamp since;
    if (!parseIsoText(sign.holding.since, since))
        return ServiceResult::fail(
            Outcome::StorageFailed,
            "sign " + std::to_string(sign.id) + ": the time it started playing cannot be read");
    const SignSettings settings = playSettings(sign);
    std::shared_ptr<const ProgramImage> image;
    if (ServiceResult r = imageOf(sign.holding, settings.width, settings.height, image); !r.ok()) return r;
    play.playback =
        std::make_unique<SignPlayback>(std::move(image), settings, SignInstant{since.time, since.millisecond},
                                       fonts_, std::max(limits_.maxRunMs, limits_.stepMs));
    play.key = key;
    play.sinceMs = toMillis(since);
    wake_.notify_all();  // a play far behind is caught up at once
    return {};
}

ServiceResult SignFrames::playFrame(const SignRecord& sign, Play& play, const LocalTimestamp& at,
                                    std::string& rows) {
    const int64_t target = toMillis(at) - play.sinceMs;
    const int64_t played = play.playback->playedMs();
    if (target < 0)
        return ServiceResult::fail(Outcome::OutOfRange,
                                   "at: before the sign started playing its program, " + sign.holding.since);
    if (target<played&& static_cast<uint64_t>(target)> limits_.maxRunMs) {
        const std::string from = toIsoText(fromMillis(play.sinceMs + played));
        return ServiceResult::fail(Outcome::OutOfRange, "at: the sign's play has run on to " + from +
                                                            " and is too long to play again from " +
                                                            sign.holding.since + ": ask for " + from +
                                                            " or later");
    }
    if (target >= played && static_cast<uint64_t>(target - std::max<int64_t>(played, 0)) > limits_.maxRunMs)
        return ServiceResult::fail(Outcome::Unavailable, "the sign's play since " + sign.holding.since +
                                                             " is being caught up (now at " +
                                                             toIsoText(fromMillis(play.sinceMs + played)) +
                                                             "): ask again shortly");
    // Within the limits checked above, so the play is not refused.
    play.playback->frameAt({at.time, at.millisecond}, rows);
    return {};
}

ServiceResult SignFrames::frameAt(int64_t id, const LocalTimestamp& at, std::string& rows) {
    const int64_t fromNow = toMillis(at) - clock_.nowMillis();
    if (fromNow < -limits_.beforeNowMs || fromNow > limits_.afterNowMs)
        return ServiceResult::fail(
            Outcome::OutOfRange, "at: from " + std::to_string(limits_.beforeNowMs / 1000) + " s before to " +
                                     std::to_string(limits_.afterNowMs / 1000) +
                                     " s after the service's now, " + toIsoText(clock_.now()));
    SignRecord sign;
    if (const DbStatus s = store_.signs.get(id, sign); s != DbStatus::Ok)
        return resultOf(s, "sign " + std::to_string(id));
    if (sign.holding.kind == SignHolding::Unknown)
        return ServiceResult::fail(Outcome::Conflict,
                                   "what sign " + std::to_string(id) + " holds is not known: no frame");
    if (!fonts_.loaded()) return ServiceResult::fail(Outcome::Unavailable, "the sign fonts are not loaded");
    const SignSettingsRecord& g = sign.settings;
    const auto [width, height] = sizeOf(sign);
    const PlayKey key{sign.holding.program,
                      sign.holding.version,
                      sign.holding.since,
                      width,
                      height,
                      g.onOffEnabled.value_or(false),
                      g.onTime.value_or(""),
                      g.offTime.value_or(""),
                      g.windowMode.value_or(0),
                      g.brightness.value_or(-1)};
    const std::shared_ptr<Play> play = playOf(id);
    std::lock_guard lock(play->mutex);
    play->askedMs = clock_.nowMillis();
    if (!play->playback || play->key != key)
        if (ServiceResult r = startPlay(sign, key, *play); !r.ok()) return r;
    return playFrame(sign, *play, at, rows);
}

namespace {

// PLANES with each LED as SCALE x SCALE pixels, appended to OUT.
void appendScaled(const ColourPlanes& planes, int scale, std::vector<uint8_t>& out) {
    ColourPlanes big(planes.width() * scale, planes.height() * scale);
    for (int plane = 1; plane <= 2; ++plane)
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                if (planes.test(plane, x / scale, y / scale)) big.set(plane, x, y);
    out.insert(out.end(), big.bytes().begin(), big.bytes().end());
}

}  // namespace

ServiceResult SignFrames::previewGif(const PreviewRequest& p, std::vector<uint8_t>& gif) {
    if (p.width < 5 || p.width > 40 || p.height < 1 || p.height > 8)
        return ServiceResult::fail(Outcome::Invalid, "width: 5 to 40 modules, height: 1 to 8");
    if (p.seconds < 1 || p.seconds > 60) return ServiceResult::fail(Outcome::Invalid, "seconds: 1 to 60");
    if (p.scale < 1 || p.scale > 8) return ServiceResult::fail(Outcome::Invalid, "scale: 1 to 8");
    if (!fonts_.loaded()) return ServiceResult::fail(Outcome::Unavailable, "the sign fonts are not loaded");
    std::shared_ptr<const ProgramImage> image;
    const SignHolding holding{SignHolding::Program, p.program, p.version, {}, {}};
    if (ServiceResult r = imageOf(holding, p.width, p.height, image); !r.ok()) return r;
    SignSettings settings;
    settings.width = static_cast<uint8_t>(p.width);
    settings.height = static_cast<uint8_t>(p.height);
    constexpr int kFrameMs = 100;
    SignPlayback playback(std::move(image), settings, {p.at.time, p.at.millisecond}, fonts_,
                          static_cast<uint64_t>(p.seconds) * 1000);
    std::vector<uint8_t> planes;
    int frames = 0, width = 0, height = 0;
    for (int ms = 0; ms < p.seconds * 1000; ms += kFrameMs, ++frames) {
        const LocalTimestamp t = fromMillis(toMillis(p.at) + ms);
        playback.playTo({t.time, t.millisecond});
        const ColourPlanes shown = playback.planes();
        width = shown.width() * p.scale, height = shown.height() * p.scale;
        appendScaled(shown, p.scale, planes);
    }
    gif = encodePlanesGif(width, height, frames, planes, kFrameMs / 10);
    if (gif.empty()) return ServiceResult::fail(Outcome::StorageFailed, "the preview cannot be encoded");
    return {};
}

}  // namespace orb
