#include "sign/SignMemoryFile.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "image/RegularFile.h"
#include "image/ReplaceFile.h"

namespace orb {

MemoryFileResult loadMemoryFile(const std::string& path, size_t size, std::vector<uint8_t>& out) {
    RegularFile file;
    switch (file.open(path)) {
        case FileOpen::Missing:
            return errno == ENOENT ? MemoryFileResult::Missing : MemoryFileResult::ReadFailed;
        case FileOpen::NotRegular:
            return MemoryFileResult::NotRegular;
        case FileOpen::Ok:
            break;
    }
    if (file.size() != size) return MemoryFileResult::WrongSize;
    std::vector<uint8_t> bytes;
    if (!file.readPrefix(size, bytes) || bytes.size() != size) return MemoryFileResult::ReadFailed;
    out = std::move(bytes);
    return MemoryFileResult::Ok;
}

MemoryFileResult saveMemoryFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
    if (replaceFile(path, bytes) == IoResult::Ok) return MemoryFileResult::Ok;
    error = std::strerror(errno);
    return MemoryFileResult::WriteFailed;
}

}  // namespace orb
