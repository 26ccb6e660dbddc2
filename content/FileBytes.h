#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace orb {

enum class ReadResult { Ok, CannotOpen, TooLarge, ReadError };

// Reads a whole regular file of at most maxBytes into out. A FIFO, device or folder is refused
// (CannotOpen) without waiting on it.
ReadResult readFileBytes(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& out);

// The file a stored path names. Stored paths are CP949 like every text of the item store; a
// path that is not valid CP949, or whose conversion names no file, is tried as it stands.
std::string localPath(const std::string& stored);

}  // namespace orb
