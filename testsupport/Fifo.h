#pragma once
// A FIFO with nobody at its other end, for the tests that no reader ever waits on one. A reader
// that does wait is set free after a while by a writer that opens and closes the FIFO, so that
// such a test fails instead of hanging.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

namespace orb::testing {

class Fifo {
  public:
    explicit Fifo(std::string path) : path_(std::move(path)) { ok_ = ::mkfifo(path_.c_str(), 0644) == 0; }
    const std::string& path() const { return path_; }
    bool made() const { return ok_; }

    // Runs read(path) and gives back its result, or nothing when it was still waiting after 3 s.
    template <typename Read>
    std::optional<std::invoke_result_t<Read, const std::string&>> returnsAtOnce(Read read) const {
        auto future = std::async(std::launch::async, read, path_);
        const bool finished = future.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
        while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
        }
        auto result = future.get();
        if (!finished) return std::nullopt;
        return result;
    }

  private:
    std::string path_;
    bool ok_ = false;
};

}  // namespace orb::testing
