// Glimmer built without Qt: the headless mode only.
#include <cstdio>
#include <string>
#include <vector>

#include "simulator/headless/HeadlessRun.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    orb::HeadlessOptions options;
    std::string error;
    if (args.empty() || args[0] != "--headless" || !orb::parseHeadlessOptions(args, options, error)) {
        std::fprintf(stderr, "Glimmer: %s\n",
                     error.empty() ? "this build has only --headless" : error.c_str());
        return 2;
    }
    return orb::runHeadless(options);
}
