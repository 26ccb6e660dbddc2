#include "service/live/SignPlayback.h"

#include <algorithm>

#include "simulator/engine/LedText.h"
#include "simulator/engine/SignClock.h"

namespace orb {

const char* toText(PlaybackResult r) {
    switch (r) {
        case PlaybackResult::Ok:
            return "ok";
        case PlaybackResult::BeforeSince:
            return "the time lies before the sign started playing its program";
        case PlaybackResult::TooFar:
            return "the time lies too far from the last one played";
    }
    return "?";
}

// The sign's memory: the image, with the bytes the settings commands write into it (the size at
// 0x4008, the display-window mode at 0x4012) as the sign was given them.
class SignPlayback::SettledImage final : public ImageSource {
  public:
    SettledImage(const ProgramImage& image, const SignSettings& s)
        : image_(image), width_(s.width), height_(s.height), windowMode_(s.windowMode) {}

    size_t read(uint64_t offset, std::span<uint8_t> out) const override {
        const size_t n = image_.read(offset, out);
        put(out.first(n), offset, ProgramImage::kHeaderOffset, width_);
        put(out.first(n), offset, ProgramImage::kHeaderOffset + 1, height_);
        put(out.first(n), offset, ProgramImage::kWindowModeOffset, windowMode_);
        return n;
    }

  private:
    static void put(std::span<uint8_t> out, uint64_t offset, uint64_t address, uint8_t value) {
        if (address >= offset && address - offset < out.size()) out[address - offset] = value;
    }

    ProgramImageSource image_;
    uint8_t width_, height_, windowMode_;
};

SignPlayback::SignPlayback(std::shared_ptr<const ProgramImage> image, const SignSettings& settings,
                           const SignInstant& since, const SignFonts& fonts, uint64_t maxRunMs)
    : image_(std::move(image)),
      settings_(settings),
      since_(since),
      maxRunMs_(maxRunMs),
      memory_(std::make_unique<SettledImage>(*image_, settings)),
      show_(std::make_unique<SignShow>(*memory_, fonts)) {
    since_.millisecond = std::clamp(since_.millisecond, 0, 999);
    restart();
}

SignPlayback::~SignPlayback() = default;

void SignPlayback::restart() {
    show_->restart(0, clockAt(0));
    lastPass_ = -1;
    nextPass_ = 0;
}

int64_t SignPlayback::virtualMs(const SignInstant& at) const {
    const int64_t seconds = secondsSinceEpoch(at.time) - secondsSinceEpoch(since_.time);
    return seconds * 1000 + std::clamp(at.millisecond, 0, 999) - since_.millisecond;
}

// The sign's clock counts whole seconds from `since`'s own second.
LocalDateTime SignPlayback::clockAt(int64_t ms) const {
    return shift(since_.time, (since_.millisecond + ms) / 1000);
}

PlaybackResult SignPlayback::playTo(const SignInstant& at) {
    const int64_t target = virtualMs(at);
    if (target < 0) return PlaybackResult::BeforeSince;
    const bool replay = target < lastPass_;
    const int64_t from = replay ? 0 : std::max<int64_t>(lastPass_, 0);
    if (static_cast<uint64_t>(target - from) > maxRunMs_) return PlaybackResult::TooFar;
    if (replay) restart();
    // As the headless run: a pass at each time something can change; the frame after a pass
    // stands for every millisecond up to the next one.
    const uint64_t until = static_cast<uint64_t>(target);
    while (nextPass_ <= until) {
        const int64_t t = static_cast<int64_t>(nextPass_);
        show_->pass(nextPass_, clockAt(t), settings_.onOff);
        lastPass_ = t;
        nextPass_ = std::max(nextPass_ + 1, show_->nextDeadline());
    }
    return PlaybackResult::Ok;
}

PlaybackResult SignPlayback::frameAt(const SignInstant& at, std::string& rows) {
    const PlaybackResult r = playTo(at);
    if (r != PlaybackResult::Ok) return r;
    rows.clear();
    appendLedRows(rows, frame(), geometry());
    return r;
}

ColourPlanes SignPlayback::planes() const {
    const SignGeometry& g = geometry();
    ColourPlanes out(g.pixels(), g.ledRows());
    const PlaneView view(frame(), g.pixels(), g.ledRows());
    for (int y = 0; y < view.rows; ++y)
        for (int x = 0; x < view.width; ++x) {
            const Led led = view.ledAt(x, y);
            if (led == Led::Red || led == Led::Yellow) out.set(1, x, y);
            if (led == Led::Green || led == Led::Yellow) out.set(2, x, y);
        }
    return out;
}

}  // namespace orb
