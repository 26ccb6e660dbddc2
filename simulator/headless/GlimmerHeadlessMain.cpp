// Glimmer built without Qt: the headless mode only.
#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "simulator/headless/HeadlessRun.h"

int main(int argc, char** argv) {
    CLI::App app("The sign simulator, built without its window: plays an image on virtual time.", "Glimmer");
    orb::setUpCommandLine(app);
    orb::HeadlessOptions options;
    bool headless = false;
    app.add_flag("--headless", headless, "play without a window (this build has only this mode)")->required();
    const CLI::Option_group* group = orb::addHeadlessOptions(app, options);
    app.callback([&] {
        if (const std::string problem = orb::headlessProblem(*group, options); !problem.empty())
            throw CLI::ValidationError(problem);
    });
    if (const std::optional<int> ended = orb::parseCommandLine(app, argc, argv)) return *ended;
    return orb::runHeadless(options);
}
