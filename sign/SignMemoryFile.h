#pragma once
// The sign's memory kept in a file across runs: the whole 32 MiB, byte for byte. The one way
// signemu and the virtual sign take up and keep their memory file.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orb {

enum class MemoryFileResult {
    Ok,
    Created,     // there was none: a zero one was made, nothing to load
    Refused,     // not a regular file that its owner may write (checkReplaceable)
    WrongSize,   // not `size` bytes long
    ReadFailed,  // or, when missing, could not be made
    WriteFailed,
};

// Takes up the memory file at PATH before a sign serves: removes this program's temporary files
// that a kill left beside it, then loads PATH into `out` when it is a writable regular file of
// exactly `size` bytes, or makes it (zeros) when it is missing. Anything else is refused and left
// as it was, `out` untouched.
MemoryFileResult openMemoryFile(const std::string& path, size_t size, std::vector<uint8_t>& out);

// "the memory file PATH is not ...": why openMemoryFile did not take PATH up; called right after
// it, as a failure's reason comes from errno.
std::string memoryFileRefusal(const std::string& path, MemoryFileResult r, size_t size);

// Writes the bytes through replaceFile: PATH keeps what it held on any failure; `error` says why.
MemoryFileResult saveMemoryFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

}  // namespace orb
