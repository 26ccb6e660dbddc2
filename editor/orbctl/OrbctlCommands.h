#pragma once
// orbctl's subcommands kept outside main.cpp. Each group adds its subcommands to the program's
// command line; the one that runs leaves its exit code in exitCode.
#include <CLI/CLI.hpp>

namespace orb {

void addProgramTextCommands(CLI::App& app, int& exitCode);  // export, import
void addTimelineCommand(CLI::App& app, int& exitCode);
void addItemCommands(CLI::App& app, int& exitCode);  // add, delete, move, set-line, set
void addPullCommand(CLI::App& app, int& exitCode);
void addPlanCommand(CLI::App& app, int& exitCode);

}  // namespace orb
