#include "simulator/headless/GlimmerCommandLine.h"

#include "cli/CommandLine.h"

namespace orb {

namespace {

// What keeps the options from making a run; empty when nothing does.
std::string problemOf(const CLI::App& app, const CLI::Option_group& run, const CLI::Option_group& sign,
                      const GlimmerOptions& o) {
    const CLI::Option* zoom = app.get_option_no_throw("--zoom");
    const bool windowOptions = !o.image.empty() || (zoom && zoom->count() > 0);
    const bool virtualSign = !o.sign.link.empty();
    if (!virtualSign && sign.count_all() > 0) return "--memory, --idle-timeout and --wait-apply need --sign";
    if (virtualSign && (!o.image.empty() || !o.run.image.empty()))
        return "the virtual sign plays its own memory: no IMAGE or --image with --sign";
    if (o.headless && windowOptions) return "IMAGE and --zoom are the window's; --headless takes --image";
    if (o.headless) return headlessProblem(run, o.run, !virtualSign);
    if (run.count_all() > 0) return "the options of the headless mode need --headless";
    return {};
}

}  // namespace

std::optional<int> parseGlimmerArguments(int argc, const char* const* argv, GlimmerOptions& o,
                                         bool withWindow) {
    CLI::App app(withWindow ? "The sign simulator: plays a display program image in a window, or without one."
                            : "The sign simulator, built without its window: plays an image on virtual time.",
                 "Glimmer");
    setUpCommandLine(app);
    if (withWindow) {
        app.add_option("IMAGE", o.image, "the image to play (preview.tmp of the working folder when not given)");
        addNumber(app, "--zoom", o.zoom, 1, 8, "screen pixels per LED in the window");
        app.add_flag("--headless", o.headless, "play on virtual time without a window");
    } else {
        app.add_flag("--headless", o.headless, "play without a window (this build has only this mode)")
            ->required();
    }
    const CLI::Option_group* run = addHeadlessOptions(app, o.run);
    const CLI::Option_group* sign = addSignOptions(app, o.sign);
    app.callback([&] {
        if (const std::string problem = problemOf(app, *run, *sign, o); !problem.empty())
            throw CLI::ValidationError(problem);
    });
    return parseCommandLine(app, argc, argv);
}

}  // namespace orb
