#pragma once
// The TCP link: a client socket to the sign's address and port. A transaction sends a whole
// frame and waits, at most 1300 ms, for the reply's expected length; it ends as soon as the
// reply is there.
#include <cstdint>
#include <span>
#include <string>

namespace orb {

class TcpLink {
  public:
    static constexpr int kReplyLimitMs = 1300;

    ~TcpLink();
    // Remembers where the sign is; the connection is made by the first transaction.
    void setPeer(std::string host, uint16_t port);
    bool connectNow();
    void disconnect();
    bool connected() const { return fd_ >= 0; }

    // Sends the frame and receives exactly `expected` bytes into `reply`; returns how many arrived.
    // Bytes left over from an earlier transaction are discarded first. After an incomplete
    // answer the connection is dropped, so a late reply cannot pass for the next frame's.
    size_t exchange(std::span<const uint8_t> frame, std::span<uint8_t> reply);

    // "[IP:%d.%d.%d.%d],  [PORT:%d]"
    std::string statusText() const;

  private:
    void discardPending();

    std::string host_;
    uint16_t port_ = 0;
    int fd_ = -1;
};

// "HOST:PORT" into its parts; false when it is not of that form.
bool parseHostPort(const std::string& text, std::string& host, uint16_t& port);

}  // namespace orb
