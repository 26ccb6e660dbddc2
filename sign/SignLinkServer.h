#pragma once
// Serves a sign's answers on a link: a TCP port (one client at a time, the others waiting in
// turn) or a pseudo-terminal linked at a path. Never blocks in a write: a client that does not
// read its answers is dropped, and the stop flag ends it within a tick in any state.
//
// No client can hold the sign: one that has sent no whole frame for the idle time gives way when
// another one is waiting. Its clock starts when it connects, so that silent connections waiting
// in front of a good client time out side by side rather than one after the other; a good client
// is served within about the idle time of connecting, however many wait in front of it. Bytes
// that come after a pause longer than a whole frame takes on the line end a partial frame
// (Arrival::AfterPause), so a frame a sender gave up on never swallows the next one.
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "sign/SignResponder.h"

namespace orb {

struct LinkServerOptions {
    std::string tcp;         // HOST:PORT; port 0 takes a free one
    std::string pty;         // the path the pseudo-terminal is linked at
    uint32_t lineRate = 0;   // bits per second the pseudo-terminal is paced at; 0: no pacing
    uint32_t idleMs = 3000;  // a client without a whole frame is dropped after this long when another waits
};

// The pause that ends a partial frame, in milliseconds: a whole frame's time at the line rate,
// and a few milliseconds more (all there is on TCP or an unpaced line).
uint64_t frameGapMs(uint32_t lineRate);

// "tcp:HOST:PORT" or "pty:PATH" into the options; false for anything else.
bool parseLinkName(const std::string& link, LinkServerOptions& out);

class SignLinkServer {
  public:
    // Bytes in, answers out; the turn says whether to keep the client.
    using Receive = std::function<ResponderTurn(std::span<const uint8_t>, Arrival, std::vector<uint8_t>&)>;
    static constexpr int kTickMs = 200;  // the longest any wait goes without looking at the stop flag

    SignLinkServer(LinkServerOptions options, const std::atomic<bool>& stop);
    ~SignLinkServer();
    SignLinkServer(const SignLinkServer&) = delete;
    SignLinkServer& operator=(const SignLinkServer&) = delete;

    // Listens on the port or makes the pseudo-terminal; false with a message naming the link.
    bool open(std::string& error);
    // What open made: "HOST:PORT" with the actual port, or "PATH (DEVICE)".
    const std::string& address() const { return address_; }

    // Serves until the stop flag is set. `reconnected` is called when a new client comes (or a
    // line fault asks for a fresh start), `quiet` when a client has left or a tick passed
    // without input on the pseudo-terminal.
    void serve(const Receive& receive, const std::function<void()>& reconnected,
               const std::function<void()>& quiet = {});

  private:
    void serveTcp(const Receive& receive, const std::function<void()>& reconnected,
                  const std::function<void()>& quiet);
    void servePty(const Receive& receive, const std::function<void()>& reconnected,
                  const std::function<void()>& quiet);
    struct Waiting;
    class Lobby;
    void serveClient(const Waiting& client, const Receive& receive, Lobby& lobby);
    bool openTcp(std::string& error);
    bool openPty(std::string& error);

    LinkServerOptions options_;
    const std::atomic<bool>& stop_;
    std::string address_;
    int server_ = -1, master_ = -1, keep_ = -1;
};

// Sleeps for ms in ticks; false when the stop flag was set.
bool pauseUnlessStopped(uint64_t ms, const std::atomic<bool>& stop);

}  // namespace orb
