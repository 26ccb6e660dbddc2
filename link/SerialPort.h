#pragma once
// The serial link: a POSIX serial device set up with termios, and a reader thread that hands the
// bytes it receives to the owner in order. The owner purges, sends, arms a deadline and fetches
// a reply of a known length; fetching waits without spinning.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace orb {

struct SerialSettings {
    std::string device;     // e.g. /dev/ttyS0
    int portNumber = 1;     // COMn as stored; shown in the status text
    uint32_t baud = 57600;  // one of kBaudRates
    int dataBits = 8;       // 7 or 8
    int parity = 0;         // 0 none, 1 odd, 2 even
    int stopBits = 0;       // 0 one, 1 one and a half (two on POSIX lines), 2 two
    int flowControl = 0;    // bit 0 DTR/DSR, bit 1 RTS/CTS, bit 2 XON/XOFF
};

inline constexpr uint32_t kBaudRates[] = {1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200};

// The device of COMn: $ORB_COM<n> when set, else /dev/ttyS<n-1>.
std::string deviceOfPort(int portNumber);

class SerialPort {
  public:
    enum class Fetched { Ok, Expired, Waiting };

    ~SerialPort();
    // Opens and sets up the line; false when the device cannot be opened or is not a serial line
    // (openError() then says why). Only a character device is opened at all: a FIFO, a folder or a
    // regular file is refused before it is touched, so that opening it has no effect.
    bool open(const SerialSettings& settings);
    // Why the last open failed, naming the device: "/tmp/x: a FIFO, not a serial line"; empty after
    // a successful open.
    const std::string& openError() const { return openError_; }
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Drops what was received and what the driver still holds.
    void purge();
    // Writes the whole frame; the number of bytes written (0 when the port is not open).
    size_t send(std::span<const uint8_t> bytes);
    // Starts the wait for a reply; false when the port is not open.
    bool armDeadline(int milliseconds);
    // Takes the first out.size() bytes received once that many have arrived (any more are
    // dropped); Expired once the deadline has passed.
    Fetched fetch(std::span<uint8_t> out);
    // Waits for fetch to stop answering Waiting.
    Fetched waitFetch(std::span<uint8_t> out);

    // "연결: COM%d, %d bps", or "열린 포트가 없습니다."
    std::string statusText() const;
    const SerialSettings& settings() const { return settings_; }

  private:
    void readLoop();

    bool refuse(std::string reason);

    SerialSettings settings_;
    std::string openError_;
    int fd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<uint8_t> received_;
    std::chrono::steady_clock::time_point deadline_{};
};

}  // namespace orb
