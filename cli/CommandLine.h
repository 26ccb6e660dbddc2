#pragma once
// Command lines through CLI11: numbers are checked with parseDecimal's ranges and worded with
// rangeMessage, --help ends the run with 0 and every usage error with 2.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/DecimalNumber.h"

namespace orb {

// Wording and exit codes of the program: errors as "PROGRAM: what" and a hint for --help.
void setUpCommandLine(CLI::App& app);

// Parses argv; the exit code when the run ends here (0 after --help, 2 after a usage error, the
// message printed), nothing when the program goes on.
std::optional<int> parseCommandLine(CLI::App& app, int argc, const char* const* argv);

// The value of text in low..high, or a usage error naming option.
uint64_t decimalOption(const std::string& option, const std::string& text, uint64_t low, uint64_t high);

// An option NAME taking one decimal number in low..high into `into`.
template <typename T>
CLI::Option* addNumber(CLI::App& app, const std::string& name, T& into, uint64_t low, uint64_t high,
                       const std::string& description) {
    const std::string shown = name.substr(0, name.find(','));
    CLI::Option* option = app.add_option_function<std::string>(
        name,
        [&into, shown, low, high](const std::string& text) {
            into = static_cast<T>(decimalOption(shown, text, low, high));
        },
        description + " (" + std::to_string(low) + ".." + std::to_string(high) + ")");
    return option->type_name("N");
}

}  // namespace orb
