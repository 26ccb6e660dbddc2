#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace orb {

enum class ReadResult { Ok, CannotOpen, TooLarge, ReadError };

// Reads a whole regular file of at most maxBytes into out.
ReadResult readFileBytes(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& out);

}  // namespace orb
