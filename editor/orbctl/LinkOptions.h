#pragma once
// The LINK options of orbctl's commands that talk to signs: --tcp HOST:PORT, --serial DEVICE and
// --baud N for the --serial before it, as often as a command allows.
#include <CLI/CLI.hpp>
#include <vector>

#include "editor/core/LinkChoice.h"

namespace orb {

void addLinkOptions(CLI::App& sub);
// The links given to SUB, in the order given; --baud values are checked here.
std::vector<LinkChoice> linksOf(const CLI::App& sub);
// The one link given to SUB, or a usage error naming it.
LinkChoice oneLink(const CLI::App& sub);
// Opens the link; a serial port that cannot be opened is reported as the editor does (its frames
// then fail).
void openLinkReporting(const LinkChoice& choice, OpenLink& open);

}  // namespace orb
