#include "sign/SignMemoryFile.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "image/RegularFile.h"
#include "image/ReplaceFile.h"

namespace orb {

MemoryFileResult openMemoryFile(const std::string& path, size_t size, std::vector<uint8_t>& out) {
    removeLeftovers(path);
    if (checkReplaceable(path) != IoResult::Ok) return MemoryFileResult::Refused;
    RegularFile file;
    switch (file.open(path)) {
        case FileOpen::Missing:
            if (errno != ENOENT) return MemoryFileResult::ReadFailed;
            return createZeroFile(path, size) == IoResult::Ok ? MemoryFileResult::Created
                                                              : MemoryFileResult::ReadFailed;
        case FileOpen::NotRegular:  // it changed since the check
            return MemoryFileResult::Refused;
        case FileOpen::Ok:
            break;
    }
    if (file.size() != size) return MemoryFileResult::WrongSize;
    std::vector<uint8_t> bytes;
    if (!file.readPrefix(size, bytes) || bytes.size() != size) return MemoryFileResult::ReadFailed;
    out = std::move(bytes);
    return MemoryFileResult::Ok;
}

std::string memoryFileRefusal(const std::string& path, MemoryFileResult r, size_t size) {
    std::string why;
    switch (r) {
        case MemoryFileResult::Ok:
        case MemoryFileResult::Created:
            return {};
        case MemoryFileResult::Refused:
            why = toText(IoResult::NotReplaceable);
            break;
        case MemoryFileResult::WrongSize:
            why = "not " + std::to_string(size) + " bytes long";
            break;
        case MemoryFileResult::ReadFailed:
        case MemoryFileResult::WriteFailed:
            why = std::string("not usable: ") + std::strerror(errno);
            break;
    }
    return "the memory file " + path + " is " + why;
}

MemoryFileResult saveMemoryFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
    const IoResult r = replaceFile(path, bytes);
    if (r == IoResult::Ok) return MemoryFileResult::Ok;
    error = r == IoResult::NotReplaceable ? toText(r) : std::strerror(errno);
    return MemoryFileResult::WriteFailed;
}

}  // namespace orb
