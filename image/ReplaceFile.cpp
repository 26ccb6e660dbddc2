#include "image/ReplaceFile.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

namespace orb {

namespace {

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

// The rename is on disk only once the folder's entry is.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool writeWhole(int fd, std::span<const uint8_t> bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Runs FILL on a temporary file beside the file PATH leads to, then gives it that name.
IoResult writeBeside(const std::string& path, mode_t mode, IoResult failed,
                     const std::function<bool(int)>& fill) {
    const std::string target = followLinks(path);
    std::string temp = target + ".XXXXXX";
    TerminationHold hold;
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return IoResult::CreateFailed;
    bool ok = ::fchmod(fd, mode) == 0 && fill(fd) && ::fsync(fd) == 0;
    int why = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) ok = false, why = errno;
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) ok = false, why = errno;
    if (!ok) {
        ::unlink(temp.c_str());
        errno = why;
        return failed;
    }
    syncFolder(folderOf(target));
    return IoResult::Ok;
}

}  // namespace

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

IoResult createZeroFile(const std::string& path, uint64_t size) {
    return writeBeside(path, 0644, IoResult::CreateFailed, [size](int fd) {
        errno = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
        return errno == 0;
    });
}

IoResult replaceFile(const std::string& path, std::span<const uint8_t> bytes, mode_t mode) {
    return writeBeside(path, mode, IoResult::WriteFailed, [bytes](int fd) { return writeWhole(fd, bytes); });
}

}  // namespace orb
