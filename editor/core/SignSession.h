#pragma once
// The editor's one link to the sign and the one command running on it. The window's thread
// opens and points the link while nothing runs; a command runs on a thread of its own, which
// touches only the link and this object's atomics, and hands its outcome over when it ends.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "editor/core/LinkChoice.h"
#include "editor/core/ProgramReadBack.h"
#include "editor/core/SignCommands.h"

namespace orb {

// What a running command reports: steps done of the total, of the transfer or of its read-back.
struct SessionProgress {
    int done = 0;
    int total = 0;
    bool verifying = false;
};

// A reply the running command is waiting for: how long it has waited and may wait, in ms.
struct ReplyWait {
    int elapsedMs = 0;
    int limitMs = 0;
};

class SignSession {
  public:
    // What a command is given on its thread besides the link.
    struct Control {
        const std::atomic<bool>* cancel;
        TransferProgress progress;        // the transfer's steps
        TransferProgress verifyProgress;  // the read-back's queries
    };
    using Job = std::function<CommandOutcome(SignLink&, const Control&)>;

    SignSession();
    // A command still running is asked to stop after its frame and waited for.
    ~SignSession();
    SignSession(const SignSession&) = delete;
    SignSession& operator=(const SignSession&) = delete;

    // --- The link; only while no command runs (false otherwise) ---
    // Closes the serial port and opens it with SETTINGS, whatever the path in use. False when the
    // device cannot be opened or is not a serial line (serial frames then fail at once), or while
    // a command runs.
    bool openSerial(const SerialSettings& settings);
    // Frames go over the serial port.
    bool useSerial();
    // Frames go to HOST:PORT; the connection is made by the next command.
    bool useTcp(const std::string& host, uint16_t port);
    bool serialOpen() const { return open_.serial.isOpen(); }
    const SerialSettings& serialSettings() const { return open_.serial.settings(); }
    // "연결: COM%d, %d bps", or "열린 포트가 없습니다." when the port is not open.
    std::string serialStatusText() const { return open_.serial.statusText(); }

    // --- The command ---
    // Runs JOB on its own thread; FINISHED is called on that thread once the outcome is ready
    // (take() it on the owner's thread). False, and nothing started, while a command runs.
    bool start(Job job, std::function<void()> finished);
    // From start() until take().
    bool running() const { return running_; }
    // The outcome is ready to be taken (a thread that does not get FINISHED looks here).
    bool ended() const { return ended_; }
    // Stops a transfer after the frame in flight.
    void cancel() { cancel_ = true; }
    SessionProgress progress() const;
    // The reply the command waits for now, if it waits for one.
    std::optional<ReplyWait> replyWait() const;
    // Waits for the command's thread and gives its outcome; running() is false afterwards.
    CommandOutcome take();

  private:
    OpenLink open_;
    LinkWait wait_;
    std::thread worker_;
    bool running_ = false;
    std::atomic<bool> cancel_{false};
    std::atomic<int> done_{0}, total_{0};
    std::atomic<bool> verifying_{false};
    std::atomic<bool> ended_{false};
    CommandOutcome outcome_;  // written by the worker before FINISHED, read after the join
};

// The commands as jobs. The transfer sends a copy of the store, so the list may be read while
// it runs.
SignSession::Job transferJob(std::shared_ptr<const ItemStore> store, bool verify);
SignSession::Job sizeJob(uint8_t width, uint8_t height);
SignSession::Job clockJob();  // the local time when it runs
SignSession::Job onOffJob(bool enabled, uint8_t onHour, uint8_t onMinute, uint8_t offHour, uint8_t offMinute);
SignSession::Job displayWindowJob(uint8_t mode);
SignSession::Job brightnessJob(uint8_t level);
// "전광판에서 가져오기": the program the sign holds, read back into OUT (read by the owner after
// take()); its steps are the read queries, and cancel stops it after the query in flight.
SignSession::Job readBackJob(std::shared_ptr<ProgramReadBack> out);
// Connects to the TCP peer and says nothing either way (a failed connection shows up as the
// next command's failure).
SignSession::Job connectJob();

}  // namespace orb
