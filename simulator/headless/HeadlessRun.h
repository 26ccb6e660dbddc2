#pragma once
// Glimmer's headless mode: plays an image on virtual time and writes text dumps of chosen frames
// or an animated GIF of the whole run. The frames are those of one loop pass per millisecond;
// passes that cannot change anything (no line due) are left out unless everyMs is set.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "image/LocalDateTime.h"
#include "simulator/engine/SignClock.h"

namespace orb {

struct HeadlessOptions {
    std::string image;
    std::string fonts;  // empty: the usual places
    uint64_t until = 0;
    LocalDateTime now;  // the local time at virtual time 0
    std::string dump;   // text frames; "-" for standard output
    std::vector<uint64_t> at;
    std::string gif;
    int scale = 2;
    bool everyMs = false;  // pass at every millisecond, for comparing with the jumping run
};

// The options that go with --headless, as a group of app that parses into out.
CLI::Option_group* addHeadlessOptions(CLI::App& app, HeadlessOptions& out);

// What keeps the parsed options of group from making a run; empty when nothing does.
std::string headlessProblem(const CLI::Option_group& group, const HeadlessOptions& o);

// Plays and writes; returns the exit code (0, or 1 with the program's message on stderr).
int runHeadless(const HeadlessOptions& options);

// The font folder: $ORB_FONTS, else font/ beside the executable, else the installed fonts.
std::string defaultFontFolder();

}  // namespace orb
