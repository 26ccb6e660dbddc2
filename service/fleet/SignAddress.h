#pragma once
// Where a sign of the network is: "tcp:HOST:PORT" or "serial:DEVICE[@BAUD]", parsed by the
// editor's link parsers. HOST is a dotted IPv4 address: names are not looked up, since a lookup has
// no time limit and would hold a worker past the protocol's.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orb {

struct SignAddress {
    bool tcp = false;
    std::string host;  // dotted IPv4, as dottedAddress() writes it
    uint16_t port = 0;
    std::string device;  // an absolute path
    uint32_t baud = 57600;
};

// "tcp:HOST:PORT" or "serial:DEVICE[@BAUD]". Nothing, with ERROR set to a clear English message,
// otherwise.
std::optional<SignAddress> parseSignAddress(std::string_view text, std::string& error);
// The address as parseSignAddress reads it; the baud is left out when it is 57,600.
std::string toText(const SignAddress& address);
// At most one exchange per key at a time: "tcp:HOST:PORT" or "serial:DEVICE".
std::string linkKey(const SignAddress& address);

}  // namespace orb
