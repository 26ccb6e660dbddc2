#include "content/FileBytes.h"

#include <sys/stat.h>

#include <optional>

#include "image/Cp949.h"
#include "image/RegularFile.h"

namespace orb {

ReadResult readFileBytes(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& out) {
    RegularFile file;
    if (file.open(path) != FileOpen::Ok) return ReadResult::CannotOpen;
    if (file.size() > maxBytes) return ReadResult::TooLarge;
    // A file that shrank while it was read keeps what arrived.
    return file.readPrefix(maxBytes, out) ? ReadResult::Ok : ReadResult::ReadError;
}

std::string localPath(const std::string& stored) {
    std::optional<std::string> converted = cp949ToUtf8(stored);
    struct stat st {};
    if (converted && (*converted == stored || ::stat(converted->c_str(), &st) == 0)) return *converted;
    return stored;
}

}  // namespace orb
