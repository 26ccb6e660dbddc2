#pragma once
// signemu (SIGNEMU_PATH) started by a test on a free loopback TCP port or on a pseudo-terminal,
// its memory file and frame log in the test's folder; stopped when the test ends. Without
// keepMemory no memory file is written (writing 32 MiB after every SignApply slows a busy machine).
#include <memory>
#include <string>
#include <vector>

#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"

namespace orb::testing {

class SignEmu {
  public:
    SignEmu(const TempDir& dir, std::vector<std::string> extra, bool pty = false, bool keepMemory = true)
        : memory(dir.file("sign.mem")), log(dir.file("sign.log")), device(dir.file("sign-tty")) {
        std::vector<std::string> argv = {SIGNEMU_PATH, pty ? "--pty" : "--tcp", pty ? device : "127.0.0.1:0",
                                         "--log", log};
        if (keepMemory) argv.insert(argv.end(), {"--memory", memory});
        argv.insert(argv.end(), extra.begin(), extra.end());
        process = std::make_unique<ChildProcess>(argv);
        link = pty ? "--serial " + device : "--tcp 127.0.0.1:" + std::to_string(port());
    }

    uint16_t port() const { return static_cast<uint16_t>(process->port()); }
    std::string logText() const { return readFileText(log); }

    std::string memory, log, device;
    std::string link;  // as orbctl takes it: "--tcp 127.0.0.1:PORT" or "--serial DEVICE"
    std::unique_ptr<ChildProcess> process;
};

}  // namespace orb::testing
