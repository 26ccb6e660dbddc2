#include "content/FileBytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

namespace orb {

bool writeFileAtomically(const std::string& path, const void* bytes, size_t size) {
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0644) == 0;
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (size_t done = 0; ok && done < size;) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace orb
