#pragma once
// The live frames of a sign as server-sent events (GET /api/v1/signs/{id}/frames): an event with
// the sign's LED rows and the time they are for whenever they change, looked at a bounded number
// of times a second, a comment now and then to keep the connection open; it ends when the
// credentials stop being valid, the sign is removed or the server stops. The frames of several
// signs come in one stream (GET /api/v1/frames?signs=1,2,3), each event naming its sign, so that
// a page of many live views holds one connection (a browser opens only six to a server).
//
// Each open stream holds one thread of the server's pool for as long as it lasts, so their number
// is bounded (beyond it the request is refused with 503) and the pool is sized above that bound
// (poolThreads), so that streams can never take the threads ordinary requests are served on.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace orb::api {

struct ApiCall;

struct FrameStreamLimits {
    int maxStreams = 32;  // open at once
    int maxSignsPerStream = 40;
    // Signs followed by all streams together: within the plays the service keeps (beyond them it
    // would start plays again and again, and no view would move).
    int maxSigns = 64;
    int checkMs = 100;         // how often a stream looks for a changed frame (10 a second)
    int signCheckMs = 1'000;   // how often it checks the credentials and that the sign remains
    int keepAliveMs = 15'000;  // a comment line after this long without an event
    int ordinaryThreads = 16;  // the pool's threads left for everything else
};

class FrameStreams {
  public:
    explicit FrameStreams(FrameStreamLimits limits = {}) : limits_(limits) {}

    // Threads the server's pool needs: every stream plus the ordinary requests' share.
    int poolThreads() const { return limits_.maxStreams + limits_.ordinaryThreads; }
    int open() const { return open_.load(); }
    // Ends every stream at its next look (the server is stopping).
    void stop() { stopping_ = true; }

    // The routes' handlers: start the stream, or send why not.
    void serve(ApiCall& call);
    void serveSeveral(ApiCall& call);

  private:
    class Slot;
    // A place for a stream of SIGNS signs; null beyond the limits.
    std::shared_ptr<Slot> take(int signs);
    // Streams STATE's signs, FIRST_EVENTS first.
    void start(ApiCall& call, const std::shared_ptr<void>& state, const std::string& firstEvents);

    const FrameStreamLimits limits_;
    std::mutex taking_;
    std::atomic<int> open_{0}, watched_{0};
    std::atomic<bool> stopping_{false};
};

}  // namespace orb::api
