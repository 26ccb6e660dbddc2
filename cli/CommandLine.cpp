#include "cli/CommandLine.h"

namespace orb {

void setUpCommandLine(CLI::App& app) {
    app.failure_message([](const CLI::App* failed, const CLI::Error& e) {
        const CLI::App* root = failed;
        while (root->get_parent()) root = root->get_parent();
        std::string text = root->get_name() + ": " + e.what() + "\n";
        text += "Run with --help for more information.\n";
        return text;
    });
}

std::optional<int> parseCommandLine(CLI::App& app, int argc, const char* const* argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }
    return std::nullopt;
}

uint64_t decimalOption(const std::string& option, const std::string& text, uint64_t low, uint64_t high) {
    const std::optional<uint64_t> v = parseDecimal(text, low, high);
    if (!v) throw CLI::ValidationError(rangeMessage(option, low, high));
    return *v;
}

}  // namespace orb
