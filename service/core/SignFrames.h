#pragma once
// What each sign shows at a time of its clock: the program it is recorded as holding, played by the
// engine from the SignApply that started it with the settings it was given since (SignPlayback).
// A sign's play is kept once asked for and run on toward the present by a thread of its own (a
// minute behind, the earliest time that may be asked for), so that a request plays only the few
// minutes between it and the time asked; a play far behind (a sign pushed days ago) is caught up
// there in steps, and requests meanwhile are told so. A time before the last one played replays
// from the SignApply, which only a recent push allows. A changed holding or setting starts the
// play again. Thread-safe: one lock per play, another for the shared tables.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "service/core/ServiceClock.h"
#include "service/core/ServiceResult.h"
#include "service/core/ServiceStore.h"
#include "service/live/SignPlayback.h"

namespace orb {

struct SignFrameLimits {
    int64_t beforeNowMs = 60'000;   // how far before the service's now a frame may be asked for
    int64_t afterNowMs = 600'000;   // and after it
    uint64_t maxRunMs = 900'000;    // the most virtual time one request may play
    uint64_t stepMs = 600'000;      // the virtual time a kept play runs on in one step of the keeper
    int64_t keepEveryMs = 1'000;    // how often the keeper runs the kept plays on
    size_t keptPlays = 64;          // signs whose play is kept
    int64_t dropAfterMs = 900'000;  // a play not asked for in this long (the service's time) is dropped
};

// A preview of a program version: played by the engine from AT on a sign of WIDTH x HEIGHT modules
// (settings as a push leaves them), SECONDS of it, one frame each tenth of a second, each LED as
// SCALE x SCALE pixels.
struct PreviewRequest {
    int64_t program = 0;
    int version = 0;
    LocalTimestamp at;
    int width = 6, height = 1;
    int seconds = 10;  // 1..60
    int scale = 2;     // 1..8
};

class SignFrames {
  public:
    // FONTS: loaded, or not (every frame is then refused); they outlive this.
    SignFrames(ServiceStore& store, const ServiceClock& clock, const SignFonts& fonts,
               SignFrameLimits limits = {});
    ~SignFrames();  // stops the keeper
    SignFrames(const SignFrames&) = delete;
    SignFrames& operator=(const SignFrames&) = delete;

    // The LED rows sign ID shows at AT (its local time): one line per row, '.', 'R', 'G', 'Y'.
    // OutOfRange when AT lies outside the limits around now or before what may be played again;
    // Unavailable while the play is caught up (ask again) or without fonts; Conflict when what the
    // sign holds is not known.
    ServiceResult frameAt(int64_t id, const LocalTimestamp& at, std::string& rows);

    // The preview as an animated GIF. Invalid for sizes, lengths or scales outside their ranges.
    ServiceResult previewGif(const PreviewRequest& request, std::vector<uint8_t>& gif);

    // Runs every kept play on toward now, one step each; whether any is still behind.
    bool keepUp();

  private:
    // What a play depends on: a change to any of it starts the play again.
    using PlayKey = std::tuple<int64_t, int, std::string, int, int, bool, std::string, std::string, int, int>;
    struct Play {
        std::mutex mutex;
        PlayKey key;
        int64_t sinceMs = 0;              // the SignApply, on the service's millisecond scale
        std::atomic<int64_t> askedMs{0};  // the service's time of the last request
        std::unique_ptr<SignPlayback> playback;
    };
    using ImageKey = std::tuple<int64_t, int, int, int>;

    std::shared_ptr<Play> playOf(int64_t id);
    // The program version built for a sign of WIDTH x HEIGHT modules, as a push writes it.
    ServiceResult imageOf(const SignHolding& holding, int width, int height,
                          std::shared_ptr<const ProgramImage>& image);
    ServiceResult startPlay(const SignRecord& sign, const PlayKey& key, Play& play);
    ServiceResult playFrame(const SignRecord& sign, Play& play, const LocalTimestamp& at, std::string& rows);
    void keeper();

    ServiceStore& store_;
    const ServiceClock& clock_;
    const SignFonts& fonts_;
    const SignFrameLimits limits_;
    std::mutex mutex_;
    std::map<int64_t, std::shared_ptr<Play>> plays_;
    std::map<ImageKey, std::shared_ptr<const ProgramImage>> images_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread keeper_;
};

}  // namespace orb
