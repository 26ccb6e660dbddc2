#pragma once
// orbctl's subcommands kept outside main.cpp; each takes the arguments after its name and
// returns the exit code (2 for a wrong command line).
#include <string>
#include <vector>

namespace orb {

int exportCommand(const std::vector<std::string>& args);
int importCommand(const std::vector<std::string>& args);
int timelineCommand(const std::vector<std::string>& args);
int addCommand(const std::vector<std::string>& args);
int deleteCommand(const std::vector<std::string>& args);
int moveCommand(const std::vector<std::string>& args);
int setLineCommand(const std::vector<std::string>& args);
int setCommand(const std::vector<std::string>& args);

// Their lines of orbctl's usage text.
extern const char* const kProgramTextUsage;
extern const char* const kItemCommandsUsage;

}  // namespace orb
