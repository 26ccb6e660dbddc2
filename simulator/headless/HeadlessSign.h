#pragma once
// The virtual sign without a window, for tests and machines without a display:
//   Glimmer --sign LINK [--memory FILE] [--wait-apply N] --headless --until MS [--now ...]
//           (--dump OUT --at ... | --gif OUT)
// It serves the link on real time, answering at virtual time 0, until N SignApply frames (1
// unless told; 0: none) have arrived and the client has left (on a pseudo-terminal: the line has
// been quiet for a tick); then it plays its memory on virtual time as --headless plays an image.
#include <atomic>
#include <string>
#include <vector>

namespace orb {

// Whether the arguments ask for the virtual sign.
bool wantsVirtualSign(const std::vector<std::string>& args);

// Runs it; the exit code (2 for wrong options, 1 for a failure with its message on stderr).
int runHeadlessSign(const std::vector<std::string>& args, const std::atomic<bool>& interrupted);

// The options the virtual sign takes besides the simulator's, removed from args.
struct SignOptions {
    std::string link, memory;
    int waitApply = 1;
    int zoom = 0;  // the window's; 0: the default
};
bool takeSignOptions(std::vector<std::string>& args, SignOptions& out, std::string& error);

}  // namespace orb
