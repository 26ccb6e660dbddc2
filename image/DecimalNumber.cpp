#include "image/DecimalNumber.h"

namespace orb {

std::optional<uint64_t> parseDecimal(std::string_view text, uint64_t low, uint64_t high) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::string rangeMessage(std::string_view option, uint64_t low, uint64_t high) {
    return std::string(option) + " needs a number from " + std::to_string(low) + " to " +
           std::to_string(high);
}

}  // namespace orb
