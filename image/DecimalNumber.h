#pragma once
// Numbers given on a command line: plain decimal digits, checked against a range before they are
// used, so that nothing wraps or overflows.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orb {

// The value of text when it is one to twenty decimal digits and lies in low..high.
std::optional<uint64_t> parseDecimal(std::string_view text, uint64_t low, uint64_t high);

// The message for a value that parseDecimal refused, e.g. "--baud needs a number from 1 to 10".
std::string rangeMessage(std::string_view option, uint64_t low, uint64_t high);

}  // namespace orb
