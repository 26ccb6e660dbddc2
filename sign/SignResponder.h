#pragma once
// The sign's controller as the editor sees it: it takes the bytes that arrive on the link,
// answers each whole frame as the sign does, and keeps the 32 MiB program memory with the model
// string at 0x4000 and what the settings frames asked for. A byte stream in, reply bytes out: no
// sockets, no files, no clock, so the same responder serves TCP, a pseudo-terminal, a window or a
// fuzzer. Faults can be switched on for tests.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/LocalDateTime.h"

namespace orb {

struct ResponderFaults {
    int noAnswerAfter = -1;  // frames after the first N get no answer
    int badSumAfter = -1;    // answers to frames after the first N carry a wrong sum
    bool noEtx = false;      // answers end without ETX
    int delayMs = 0;         // wait this long before answering
    int delayFrame = 0;      // ... only frame number K (1-based); 0: every frame
    int closeAfter = -1;     // drop the connection after N frames
    int corruptWrite = 0;    // memory write number K (1-based) is acknowledged but stores other bytes
    int corruptFrom = 0;     // ... and so is every memory write from number K on: a sign no retry mends
};

struct OnOffTimes {
    bool enabled = false;
    uint8_t onHour = 0, onMinute = 0, offHour = 0, offMinute = 0;
};

// What the link is to do after a feed.
struct ResponderTurn {
    bool keep = true;     // false: drop the connection (after sending what is in `out`)
    int delayMs = 0;      // wait this long before sending `out`
    int wholeFrames = 0;  // frames with a good sum and end taken in this feed, answered or not
};

// How bytes came: right after the ones before them, or after a pause longer than a whole frame
// takes on the line. A sender never pauses inside a frame: after a pause, a frame begun before it
// was given up.
enum class Arrival { Continuing, AfterPause };

class SignResponder {
  public:
    static constexpr size_t kMemoryBytes = 32u << 20;

    explicit SignResponder(std::string model = "LEDSign", ResponderFaults faults = {});

    // Takes received bytes; appends the answers to `out` and one log line per frame to `log`.
    // Bytes before an STX are skipped, and so is an STX that does not begin a frame with a good
    // sum and end: the next STX may begin one. A partial frame waits for its rest, unless the
    // next bytes come after a pause.
    ResponderTurn feed(std::span<const uint8_t> in, Arrival arrival, std::vector<uint8_t>& out,
                       std::vector<std::string>& log);
    // A new connection: a partial frame of the old one is dropped. Frames are counted over the
    // responder's whole life, faults included.
    void reconnected();

    std::span<const uint8_t> memory() const { return memory_; }
    // Replaces the memory with a saved one of kMemoryBytes; the model string stays the sign's own.
    bool loadMemory(std::span<const uint8_t> saved);

    int frames() const { return frames_; }
    int applies() const { return applies_; }
    int clockSets() const { return clockSets_; }
    // What the last settings frames asked for.
    const LocalDateTime& clock() const { return clock_; }
    const OnOffTimes& onOff() const { return onOff_; }
    int brightness() const { return brightness_; }  // 0..9; -1 until a SetBrightness arrives
    uint8_t windowMode() const;                     // the byte at 0x4012
    uint8_t lastCommand() const { return lastCommand_; }

  private:
    // Handles one frame of a good sum and end; false when the connection is to be dropped.
    bool handle(std::span<const uint8_t> frame, std::vector<uint8_t>& out, ResponderTurn& turn,
                std::vector<std::string>& log);
    // Carries out one frame's command; false when the frame is not understood.
    bool execute(uint8_t command, std::span<const uint8_t> body, std::vector<uint8_t>& reply, char* line,
                 size_t lineSize);
    bool writeMemory(std::span<const uint8_t> body, char* line, size_t lineSize);
    bool readMemory(std::span<const uint8_t> body, std::vector<uint8_t>& reply, char* line, size_t lineSize);
    void answer(std::span<const uint8_t> reply, std::vector<uint8_t>& out, ResponderTurn& turn);
    void putModel();

    std::string model_;
    ResponderFaults faults_;
    std::vector<uint8_t> memory_;
    std::vector<uint8_t> pending_;
    int frames_ = 0;
    int writes_ = 0;
    int applies_ = 0;
    int clockSets_ = 0;
    LocalDateTime clock_;
    OnOffTimes onOff_;
    int brightness_ = -1;
    uint8_t lastCommand_ = 0;
};

}  // namespace orb
