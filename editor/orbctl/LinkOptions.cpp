#include "editor/orbctl/LinkOptions.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "image/DecimalNumber.h"

namespace orb {

namespace {

std::string baudChoices() {
    std::string rates;
    for (uint32_t rate : kBaudRates) rates += (rates.empty() ? "" : ", ") + std::to_string(rate);
    return rates;
}

}  // namespace

std::vector<LinkChoice> linksOf(const CLI::App& sub) {
    std::vector<LinkChoice> links;
    std::map<const CLI::Option*, size_t> taken;
    for (const CLI::Option* option : sub.parse_order()) {
        const std::string& value = option->results().at(taken[option]++);
        const std::string name = option->get_name();
        if (name == "--tcp") {
            LinkChoice& link = links.emplace_back();
            link.tcp = true;
            parseHostPort(value, link.host, link.port);  // checked when parsed
        } else if (name == "--serial") {
            LinkChoice& link = links.emplace_back();
            link.tcp = false;
            link.serial.device = value;
            link.serial.portNumber = 0;
        } else if (name == "--baud") {
            const std::optional<uint64_t> v = parseDecimal(value, 0, UINT32_MAX);
            if (!v || std::find(std::begin(kBaudRates), std::end(kBaudRates), *v) == std::end(kBaudRates))
                throw CLI::ValidationError("--baud needs one of " + baudChoices());
            if (links.empty()) throw CLI::ValidationError("--baud belongs to the --serial before it");
            links.back().serial.baud = static_cast<uint32_t>(*v);
        }
    }
    return links;
}

void addLinkOptions(CLI::App& sub) {
    sub.add_option("--tcp", "the sign at HOST:PORT")
        ->type_name("HOST:PORT")
        ->check([](const std::string& text) {
            std::string host;
            uint16_t port = 0;
            return parseHostPort(text, host, port) ? std::string() : "needs HOST:PORT";
        })
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    sub.add_option("--serial", "the sign on the serial port DEVICE")
        ->type_name("DEVICE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    const std::string baud = "the speed of the --serial before it: " + baudChoices();
    sub.add_option("--baud", baud)->type_name("N")->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void openLinkReporting(const LinkChoice& choice, OpenLink& open) {
    if (!openLink(choice, open))
        std::fprintf(stderr, "%s: %s\n", choice.serial.device.c_str(), kPortOpenFailed);
}

LinkChoice oneLink(const CLI::App& sub) {
    const std::vector<LinkChoice> links = linksOf(sub);
    if (links.size() != 1)
        throw CLI::ValidationError(sub.get_name() + " needs one LINK (--tcp HOST:PORT or --serial DEVICE)");
    return links.front();
}

}  // namespace orb
