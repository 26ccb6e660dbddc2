#include "content/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "image/Cp949.h"

namespace orb {

ReadResult readFileBytes(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ReadResult::CannotOpen;
    struct stat st {};
    ReadResult result = ReadResult::Ok;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result = ReadResult::CannotOpen;
    } else if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        result = ReadResult::TooLarge;
    } else {
        out.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < out.size()) {
            ssize_t n = ::read(fd, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) result = ReadResult::ReadError;
            if (n <= 0) break;  // at 0 the file shrank while we read it: keep what arrived
            done += static_cast<size_t>(n);
        }
        out.resize(done);
    }
    ::close(fd);
    return result;
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
