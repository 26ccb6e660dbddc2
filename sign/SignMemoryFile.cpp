#include "sign/SignMemoryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/ReplaceFile.h"

namespace orb {

MemoryFileResult loadMemoryFile(const std::string& path, size_t size, std::vector<uint8_t>& out) {
    // Non-blocking, so that a FIFO in its place cannot hang the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? MemoryFileResult::Missing : MemoryFileResult::ReadFailed;
    struct stat st {};
    MemoryFileResult r = MemoryFileResult::Ok;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        r = MemoryFileResult::NotRegular;
    else if (static_cast<uint64_t>(st.st_size) != size)
        r = MemoryFileResult::WrongSize;
    std::vector<uint8_t> bytes;
    if (r == MemoryFileResult::Ok) {
        bytes.resize(size);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        if (done != size) r = MemoryFileResult::ReadFailed;
    }
    ::close(fd);
    if (r == MemoryFileResult::Ok) out = std::move(bytes);
    return r;
}

MemoryFileResult saveMemoryFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
    if (replaceFile(path, bytes) == IoResult::Ok) return MemoryFileResult::Ok;
    error = std::strerror(errno);
    return MemoryFileResult::WriteFailed;
}

}  // namespace orb
