#include "simulator/engine/ImageSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orb {

size_t MemoryImageSource::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset >= bytes_.size()) return 0;
    const size_t n = std::min<uint64_t>(out.size(), bytes_.size() - offset);
    std::memcpy(out.data(), bytes_.data() + offset, n);
    return n;
}

FileImageSource::~FileImageSource() {
    ::close(fd_);
}

std::unique_ptr<FileImageSource> FileImageSource::open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::unique_ptr<FileImageSource>(new FileImageSource(fd));
}

size_t FileImageSource::read(uint64_t offset, std::span<uint8_t> out) const {
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace orb
