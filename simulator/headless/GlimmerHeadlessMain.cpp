// Glimmer built without Qt: the headless mode and the headless virtual sign only.
#include <optional>

#include "simulator/headless/GlimmerCommandLine.h"

int main(int argc, char** argv) {
    orb::GlimmerOptions options;
    if (const std::optional<int> ended = orb::parseGlimmerArguments(argc, argv, options, false)) return *ended;
    if (!options.sign.link.empty()) return orb::runHeadlessSign(options.sign, options.run);
    return orb::runHeadless(options.run);
}
