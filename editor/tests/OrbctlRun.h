#pragma once
// Runs the orbctl built with the tests, as a script would, with ARGS as one shell line.
#include <string>

#include "testsupport/ChildProcess.h"

namespace orb {

inline testing::Outcome orbctl(const std::string& args) {
    return testing::runCommand(std::string(ORBCTL_PATH) + " " + args);
}

}  // namespace orb
