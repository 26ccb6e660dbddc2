#pragma once
// A stand-in for the sign's controller: it takes the bytes the editor sends, answers each frame
// as the sign does, and keeps the 32 MiB program memory. Faults can be switched on for tests.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/LocalDateTime.h"

namespace orb {

struct EmulatorFaults {
    int noAnswerAfter = -1;  // frames after the first N get no answer
    int badSumAfter = -1;    // answers to frames after the first N carry a wrong sum
    bool noEtx = false;      // answers end without ETX
    int delayMs = 0;         // wait this long before answering
    int delayFrame = 0;      // ... only frame number K (1-based); 0: every frame
    int closeAfter = -1;     // drop the connection after N frames
};

class SignEmulator {
  public:
    static constexpr size_t kMemoryBytes = 32u << 20;

    SignEmulator(std::string model, EmulatorFaults faults);

    // Takes received bytes; appends the answers to `out` and log lines to `log`. Returns false
    // when the connection is to be dropped.
    bool feed(std::span<const uint8_t> in, std::vector<uint8_t>& out, std::vector<std::string>& log);
    // A new connection: a partial frame of the old one is dropped. Frames are counted over the
    // emulator's whole life, faults included.
    void reconnected();

    const std::vector<uint8_t>& memory() const { return memory_; }
    int applies() const { return applies_; }
    int frames() const { return frames_; }
    // What the last settings frames asked for.
    LocalDateTime clock;
    std::vector<uint8_t> onOff;
    int brightness = -1;

  private:
    // Handles one whole frame; false when the connection is to be dropped.
    bool handle(std::span<const uint8_t> frame, std::vector<uint8_t>& out, std::vector<std::string>& log);
    void answer(std::span<const uint8_t> reply, std::vector<uint8_t>& out);

    EmulatorFaults faults_;
    std::vector<uint8_t> memory_;
    std::vector<uint8_t> pending_;
    int frames_ = 0;
    int applies_ = 0;
};

}  // namespace orb
