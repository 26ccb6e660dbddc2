#include "image/ByteDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orb {

IoResult MemoryDevice::read(uint64_t offset, std::span<uint8_t> out) const {
    if (!inside(offset, out.size())) return IoResult::OutOfRange;
    std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return IoResult::Ok;
}

IoResult MemoryDevice::write(uint64_t offset, std::span<const uint8_t> in) {
    if (!inside(offset, in.size())) return IoResult::OutOfRange;
    std::memcpy(bytes_.data() + offset, in.data(), in.size());
    return IoResult::Ok;
}

FileDevice::~FileDevice() {
    ::close(fd_);
}

static int openFlags(FileMode mode) {
    return (mode == FileMode::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
}

IoResult FileDevice::open(const std::string& path, FileMode mode, uint64_t expectedSize,
                          std::unique_ptr<ByteDevice>& out) {
    int fd = ::open(path.c_str(), openFlags(mode));
    if (fd < 0 && errno == ENOENT && mode == FileMode::CreateOrOpen) {
        IoResult made = createZeroFile(path, expectedSize);
        if (made != IoResult::Ok) return made;
        fd = ::open(path.c_str(), openFlags(mode));
    }
    if (fd < 0) return IoResult::OpenFailed;

    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return IoResult::OpenFailed;
    }
    if (static_cast<uint64_t>(st.st_size) != expectedSize) {
        ::close(fd);
        return IoResult::WrongSize;
    }
    out.reset(new FileDevice(fd, expectedSize));
    return IoResult::Ok;
}

IoResult FileDevice::read(uint64_t offset, std::span<uint8_t> out) const {
    if (!inside(offset, out.size())) return IoResult::OutOfRange;
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return IoResult::ReadFailed;  // the file shrank under us, or an I/O error
        done += static_cast<size_t>(n);
    }
    return IoResult::Ok;
}

IoResult FileDevice::write(uint64_t offset, std::span<const uint8_t> in) {
    if (!inside(offset, in.size())) return IoResult::OutOfRange;
    size_t done = 0;
    while (done < in.size()) {
        ssize_t n = ::pwrite(fd_, in.data() + done, in.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return IoResult::WriteFailed;
        done += static_cast<size_t>(n);
    }
    return IoResult::Ok;
}

IoResult createZeroFile(const std::string& path, uint64_t size) {
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return IoResult::CreateFailed;
    // The blocks are reserved now, so that later updates in place cannot run out of room.
    bool ok = ::posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0 && ::fchmod(fd, 0644) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return IoResult::CreateFailed;
    }
    return IoResult::Ok;
}

IoResult replaceFile(const std::string& path, std::span<const uint8_t> bytes) {
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return IoResult::CreateFailed;
    bool ok = ::fchmod(fd, 0644) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return IoResult::WriteFailed;
    }
    return IoResult::Ok;
}

}  // namespace orb
