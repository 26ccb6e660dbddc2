#pragma once
// Glimmer's whole command line, for both builds: the window's IMAGE and --zoom, --headless and its
// options, and the virtual sign's --sign, --memory and --wait-apply.
#include <optional>
#include <string>

#include "simulator/headless/HeadlessRun.h"
#include "simulator/headless/HeadlessSign.h"

namespace orb {

struct GlimmerOptions {
    std::string image;  // the window's; empty: preview.tmp of the working folder
    int zoom = 0;       // the window's screen pixels per LED; 0: its default
    bool headless = false;
    HeadlessOptions run;
    SignOptions sign;  // sign.link empty: no virtual sign
};

// Parses argv into o; the exit code when the command line ends the run (--help, a usage error).
// Without withWindow (Glimmer built without Qt) there is no IMAGE or --zoom and --headless is needed.
std::optional<int> parseGlimmerArguments(int argc, const char* const* argv, GlimmerOptions& o,
                                         bool withWindow);

}  // namespace orb
