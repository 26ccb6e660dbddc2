#pragma once
// The path to the sign for each frame: the serial port or the TCP connection, by link mode.
#include <atomic>
#include <cstdint>
#include <span>

#include "link/SerialPort.h"
#include "link/SignFrame.h"
#include "link/TcpLink.h"

namespace orb {

enum class ModelCheck { Ok = 0, NoAnswer = 1, OtherModel = 2 };

// Told the outcome of every frame the link carries: for a caller that records when the sign last
// answered and which frames went out, whatever command sent them. Called on the sending thread.
class LinkObserver {
  public:
    virtual ~LinkObserver() = default;
    virtual void exchanged(uint8_t command, LinkResult result) = 0;
};

// The reply a transaction is waiting for, for another thread to show: when the wait began (the
// steady clock's milliseconds; -1 while none runs) and how long it may last.
struct LinkWait {
    std::atomic<int64_t> sinceMs{-1};
    std::atomic<int> limitMs{0};
};

class SignLink {
  public:
    static constexpr int kSerialReplyLimitMs = 10000;

    // The link uses one of the two; neither is owned.
    void useSerial(SerialPort& port) { serial_ = &port, tcp_ = nullptr; }
    void useTcp(TcpLink& tcp) { tcp_ = &tcp, serial_ = nullptr; }
    // Not owned; nullptr for none.
    void observe(LinkObserver* observer) { observer_ = observer; }

    // Makes the TCP connection now (the first frame makes it otherwise); false on the serial path
    // or when it cannot be made.
    bool connect() { return tcp_ && tcp_->connectNow(); }

    // Sends the frame and judges the 6-byte acknowledgement.
    LinkResult transact(const SignFrame& frame);
    // Sends the frame and receives a data reply of out.size() bytes into out.
    LinkResult query(const SignFrame& frame, std::span<uint8_t> out);
    // Reads the model string at 0x4000 and compares it with "LEDSign".
    ModelCheck checkModel();
    // From now on every reply's wait is written into WAIT (which must outlive the link), or
    // nowhere when null.
    void watchWaits(LinkWait* wait) { wait_ = wait; }

  private:
    LinkResult exchange(const SignFrame& frame, std::span<uint8_t> reply);
    LinkResult carry(const SignFrame& frame, std::span<uint8_t> reply);

    LinkObserver* observer_ = nullptr;
    SerialPort* serial_ = nullptr;
    TcpLink* tcp_ = nullptr;
    LinkWait* wait_ = nullptr;
};

}  // namespace orb
