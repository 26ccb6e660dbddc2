#pragma once
// The virtual sign on its link: serves the link (on the calling thread or one of its own) and
// keeps the sign's memory in a file, loaded at start and saved after every SignApply. A memory
// file that cannot be used is refused and never written. The sign is shared with the player:
// lock mutex() around every use of sign().
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "image/LocalDateTime.h"
#include "sign/SignLinkServer.h"
#include "sign/VirtualSign.h"

namespace orb {

class VirtualSignHost {
  public:
    // The time the answers are given at: the player's milliseconds and the PC's clock.
    using Now = std::function<std::pair<uint64_t, LocalDateTime>()>;

    // The fonts must be loaded and outlive the host. memoryPath may be empty.
    VirtualSignHost(const SignFonts& fonts, LinkServerOptions link, std::string memoryPath, Now now);
    ~VirtualSignHost();  // stops serving and waits for the thread

    // Takes up the memory file (openMemoryFile: loaded, or made when missing); a message when it
    // was refused (empty otherwise).
    std::string loadMemory();
    // Opens the link; false with a message naming it.
    bool open(std::string& error);
    const std::string& address() const { return server_.address(); }

    // Serves until stop(); `quiet` as for SignLinkServer::serve, on the serving thread.
    void serve(const std::function<void()>& quiet = {});
    void serveOnThread();
    void stop();

    std::mutex& mutex() { return mutex_; }
    VirtualSign& sign() { return *sign_; }
    // The log line of the last frame received; empty before the first. Lock mutex().
    const std::string& lastCommand() const { return lastCommand_; }
    // Items in the sign's program. Lock mutex().
    int itemCount() const;
    // Bytes of the memory up to its last one in use, as of the last load or SignApply. Lock mutex().
    size_t usedBytes() const { return usedBytes_; }
    bool memoryRefused() const { return memoryRefused_; }

  private:
    void measure();
    ResponderTurn receive(std::span<const uint8_t> in, Arrival arrival, std::vector<uint8_t>& out);

    std::mutex mutex_;
    std::unique_ptr<VirtualSign> sign_;
    std::atomic<bool> stopping_{false};
    SignLinkServer server_;
    std::string memoryPath_;
    bool memoryRefused_ = false;
    Now now_;
    std::string lastCommand_;
    size_t usedBytes_ = 0;
    std::thread thread_;
};

}  // namespace orb
