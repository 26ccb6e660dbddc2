#include "image/ByteDevice.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
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

IoResult FileDevice::open(const std::string& path, FileMode mode, uint64_t expectedSize,
                          std::unique_ptr<ByteDevice>& out) {
    const bool writable = mode != FileMode::ReadOnly;
    RegularFile file;
    FileOpen opened = file.open(path, writable);
    if (opened == FileOpen::Missing && errno == ENOENT && mode == FileMode::CreateOrOpen) {
        IoResult made = createZeroFile(path, expectedSize);
        if (made != IoResult::Ok) return made;
        opened = file.open(path, writable);
    }
    if (opened != FileOpen::Ok) return IoResult::OpenFailed;
    if (file.size() != expectedSize) return IoResult::WrongSize;
    out.reset(new FileDevice(std::move(file), expectedSize));
    return IoResult::Ok;
}

IoResult FileDevice::read(uint64_t offset, std::span<uint8_t> out) const {
    if (!inside(offset, out.size())) return IoResult::OutOfRange;
    // Fewer bytes: the file shrank under us.
    return file_.readAt(offset, out) == static_cast<int64_t>(out.size()) ? IoResult::Ok
                                                                         : IoResult::ReadFailed;
}

IoResult FileDevice::write(uint64_t offset, std::span<const uint8_t> in) {
    if (!inside(offset, in.size())) return IoResult::OutOfRange;
    size_t done = 0;
    while (done < in.size()) {
        ssize_t n =
            ::pwrite(file_.fd(), in.data() + done, in.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return IoResult::WriteFailed;
        done += static_cast<size_t>(n);
    }
    return IoResult::Ok;
}

namespace {

// The path a chain of symbolic links ends at, even when its last target does not exist yet.
std::string followLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) return path;
        target.resize(static_cast<size_t>(n));
        const size_t slash = path.rfind('/');
        if (target[0] != '/' && slash != std::string::npos) target = path.substr(0, slash + 1) + target;
        path = target;
    }
    return path;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Holds back the signals that end a program while a temporary file exists, so that it is
// always renamed or removed; a held signal arrives when the guard ends.
class TerminationHold {
  public:
    TerminationHold() {
        sigset_t held;
        sigemptyset(&held);
        for (int s : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2, SIGXFSZ})
            sigaddset(&held, s);
        ::pthread_sigmask(SIG_BLOCK, &held, &before_);
    }
    ~TerminationHold() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    TerminationHold(const TerminationHold&) = delete;
    TerminationHold& operator=(const TerminationHold&) = delete;

  private:
    sigset_t before_{};
};

bool syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

IoResult createZeroFile(const std::string& path, uint64_t size) {
    const std::string target = followLinks(path);
    std::string temp = target + ".XXXXXX";
    TerminationHold hold;
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return IoResult::CreateFailed;
    // The blocks are reserved now, so that later updates in place cannot run out of room.
    bool ok = ::posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0 && ::fchmod(fd, 0644) == 0 &&
              ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return IoResult::CreateFailed;
    }
    syncFolder(folderOf(target));  // the new name itself
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
