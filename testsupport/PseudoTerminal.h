#pragma once
// A pseudo-terminal held open by a test: its other end is a serial line nobody answers on.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace orb::testing {

class PseudoTerminal {
  public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        if (const char* name = ::ptsname(master_)) device_ = name;
    }
    ~PseudoTerminal() {
        if (master_ >= 0) ::close(master_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The line's device (/dev/pts/N); empty when none could be made.
    const std::string& device() const { return device_; }

  private:
    int master_ = -1;
    std::string device_;
};

}  // namespace orb::testing
