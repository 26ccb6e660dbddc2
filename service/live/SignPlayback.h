#pragma once
// What a sign shows at a time of its own clock, played as the sign plays it: the program image it
// holds, with the settings it was given (size, ON/OFF, display-window mode, brightness), from the
// moment of the SignApply that started it (`since`). The engine runs on virtual time from `since`,
// one pass at each deadline as `Glimmer --headless` runs it, so the frame at a time is the one
// `Glimmer --headless --dump` writes for it; ON/OFF and the display window act as on the virtual
// sign (SignShow).
//
// The play keeps running forward: asking for a time at or after the last one costs only the passes
// between them; an earlier time plays again from `since`. No call plays more virtual time than the
// limit the caller gives; past it the call is refused and nothing is played.
//
// Not thread-safe: one caller at a time (a service guards each playback with its own lock).
#include <cstdint>
#include <memory>
#include <string>

#include "image/ColourPlanes.h"
#include "image/ProgramImage.h"
#include "sign/SignShow.h"
#include "simulator/engine/ImageSource.h"

namespace orb {

// A local date and time of the sign, to the millisecond.
struct SignInstant {
    LocalDateTime time;
    int millisecond = 0;  // 0..999
};

// The settings the sign was given, as its commands carry them.
struct SignSettings {
    uint8_t width = 6, height = 1;  // modules: columns 5..40, tiers 1..8
    OnOffTimes onOff;
    uint8_t windowMode = 0;  // 0: every item plays; 1: only inside its display window
    int brightness = -1;     // 0..9 ("1".."10"); -1: never set (full)
};

enum class PlaybackResult {
    Ok,
    BeforeSince,  // the time lies before the SignApply
    TooFar,       // reaching it would play more virtual time than the limit allows
};

const char* toText(PlaybackResult r);

class SignPlayback {
  public:
    // IMAGE: the program the sign holds (its size, count and window-mode bytes are taken from
    // SETTINGS, as the sign's commands set them in its memory). The fonts must be loaded and outlive
    // the playback. MAX_RUN_MS: the most virtual time one call may play (a day is about the work of
    // `Glimmer --headless --until 86400000`).
    SignPlayback(std::shared_ptr<const ProgramImage> image, const SignSettings& settings,
                 const SignInstant& since, const SignFonts& fonts, uint64_t maxRunMs);
    ~SignPlayback();
    SignPlayback(const SignPlayback&) = delete;
    SignPlayback& operator=(const SignPlayback&) = delete;

    // Plays up to AT; the frame then is the sign's at AT.
    PlaybackResult playTo(const SignInstant& at);
    // playTo, then the frame as LED rows: one line per row, one character per LED ('.', 'R', 'G',
    // 'Y'), each line ended by '\n'. ROWS is left as it was on a refusal.
    PlaybackResult frameAt(const SignInstant& at, std::string& rows);

    // The frame after the last playTo (blank while the sign is dark), and the same as the sign's
    // two colour planes of width x LED rows, for a view that sends only what changed.
    const PlanePair& frame() const { return show_->frame(); }
    ColourPlanes planes() const;
    const SignGeometry& geometry() const { return show_->geometry(); }
    bool dark() const { return show_->dark(); }
    // The share of full brightness the LEDs light with.
    double brightness() const { return brightnessShare(settings_.brightness); }
    // Virtual milliseconds from `since` to the last pass played; -1 before the first.
    int64_t playedMs() const { return lastPass_; }

  private:
    class SettledImage;

    void restart();
    int64_t virtualMs(const SignInstant& at) const;
    LocalDateTime clockAt(int64_t ms) const;

    std::shared_ptr<const ProgramImage> image_;
    SignSettings settings_;
    SignInstant since_;
    uint64_t maxRunMs_;
    std::unique_ptr<SettledImage> memory_;
    std::unique_ptr<SignShow> show_;
    int64_t lastPass_ = -1;  // virtual ms of the last pass
    uint64_t nextPass_ = 0;  // virtual ms of the next pass that can change anything
};

}  // namespace orb
