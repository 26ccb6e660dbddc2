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
#include "simulator/engine/SignEngine.h"

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
    uint64_t gifLimitMb = 1024;  // the GIF is stopped and removed before it grows past this
    bool everyMs = false;        // pass at every millisecond, for comparing with the jumping run
};

// The options that go with --headless, as a group of app that parses into out.
CLI::Option_group* addHeadlessOptions(CLI::App& app, HeadlessOptions& out);

// What keeps the parsed options of group from making a run; empty when nothing does. Without
// needImage, --image is not asked for (the virtual sign plays its memory).
std::string headlessProblem(const CLI::Option_group& group, const HeadlessOptions& o, bool needImage = true);

// What a headless run plays: the engine on an image, or a sign around it.
class HeadlessPlayer {
  public:
    virtual ~HeadlessPlayer() = default;
    virtual void pass(uint64_t nowMs, const LocalDateTime& now) = 0;
    virtual uint64_t nextDeadline() const = 0;
    virtual const PlanePair& frame() const = 0;
    virtual const SignGeometry& geometry() const = 0;
};

// Plays from virtual time 0 to options.until and writes the dump or the GIF; the exit code.
int playHeadless(const HeadlessOptions& options, HeadlessPlayer& player);

// Loads the fonts of o.fonts or the usual places; false with the program's messages on stderr.
bool loadHeadlessFonts(const HeadlessOptions& o, SignFonts& fonts);

// Plays and writes; returns the exit code (0, or 1 with the program's message on stderr).
int runHeadless(const HeadlessOptions& options);

// The font folder: $ORB_FONTS, else font/ beside the executable, else the installed fonts.
std::string defaultFontFolder();

}  // namespace orb
