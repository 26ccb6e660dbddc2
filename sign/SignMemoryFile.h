#pragma once
// The sign's memory kept in a file across runs: the whole 32 MiB, byte for byte.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orb {

enum class MemoryFileResult { Ok, Missing, NotRegular, WrongSize, ReadFailed, WriteFailed };

// Reads PATH, which must be a regular file of exactly `size` bytes, into `out`.
MemoryFileResult loadMemoryFile(const std::string& path, size_t size, std::vector<uint8_t>& out);

// Writes the bytes to a temporary file beside PATH, syncs it and gives it PATH's name. On any
// failure the temporary file is removed and PATH keeps what it held; `error` says why.
MemoryFileResult saveMemoryFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

}  // namespace orb
