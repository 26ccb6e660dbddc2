#pragma once
// The virtual sign's options, and its form without a window, for tests and machines without a
// display:
//   Glimmer --sign LINK [--memory FILE] [--idle-timeout MS] [--wait-apply N]
//           --headless --until MS [--now ...] (--dump OUT --at ... | --gif OUT)
// It serves the link on real time, answering at virtual time 0, until N SignApply frames (1
// unless told; 0: none) have arrived and the client has left (on a pseudo-terminal: the line has
// been quiet for a tick); then it plays its memory on virtual time as --headless plays an image.
#include <CLI/CLI.hpp>
#include <string>

#include "sign/SignLinkServer.h"
#include "simulator/headless/HeadlessRun.h"

namespace orb {

struct SignOptions {
    std::string link;  // "tcp:HOST:PORT" or "pty:PATH"; empty: no virtual sign
    LinkServerOptions server;
    std::string memory;
    int waitApply = 1;
};

// --sign, --memory, --idle-timeout and --wait-apply as a group of app that parses into out.
CLI::Option_group* addSignOptions(CLI::App& app, SignOptions& out);

// Serves, then plays; the exit code (1 for a failure, with its message on stderr). SIGINT and
// SIGTERM end the serving.
int runHeadlessSign(const SignOptions& sign, const HeadlessOptions& run);

}  // namespace orb
