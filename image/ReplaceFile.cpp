#include "image/ReplaceFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
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

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// TARGET.PROGRAM-: the six characters of mkstemp follow.
std::string temporaryPrefix(const std::string& target) {
    const char* program = program_invocation_short_name;
    return target + "." + (program && *program ? program : "orb") + "-";
}

bool sameFile(int fd, const std::string& path) {
    struct stat open {
    }, named{};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

// A temporary file beside TARGET, locked so that no cleaner takes it for a leftover; -1 when
// none could be made.
int makeTemporary(const std::string& target, std::string& temp) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        temp = temporaryPrefix(target) + "XXXXXX";
        const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        // A cleaner that opened it before the lock removes it: start again with another name.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, temp)) return fd;
        ::close(fd);
    }
    errno = EBUSY;
    return -1;
}

// What TARGET (links already followed) is: Ok with its permissions when it is a regular file its
// owner may write, or when it does not exist yet (mode stays as given).
IoResult inspectTarget(const std::string& target, mode_t& mode) {
    struct stat st {};
    if (target.empty()) return IoResult::NotReplaceable;
    if (::lstat(target.c_str(), &st) != 0) return IoResult::Ok;  // missing: made, or its folder says why
    // A read-only mark holds even for root, whom access() lets write anything.
    if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0)
        return IoResult::NotReplaceable;
    mode = st.st_mode & 0777;
    return IoResult::Ok;
}

// Runs FILL on a temporary file beside the file PATH leads to, then gives it that name.
IoResult writeBeside(const std::string& path, mode_t mode, IoResult failed,
                     const std::function<bool(int)>& fill) {
    const std::string target = followLinks(path);
    if (inspectTarget(target, mode) != IoResult::Ok) {
        errno = EPERM;
        return IoResult::NotReplaceable;
    }
    TerminationHold hold;
    removeLeftovers(target);
    std::string temp;
    const int fd = makeTemporary(target, temp);
    if (fd < 0) return IoResult::CreateFailed;
    bool ok = ::fchmod(fd, mode) == 0 && fill(fd) && ::fsync(fd) == 0;
    int why = ok ? 0 : errno;
    // Renamed while still open: the lock holds until the name is gone.
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) ok = false, why = errno;
    if (!ok) ::unlink(temp.c_str());
    ::close(fd);
    if (!ok) {
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

IoResult checkReplaceable(const std::string& path) {
    mode_t mode = 0;
    return inspectTarget(followLinks(path), mode);
}

void removeLeftovers(const std::string& path) {
    const std::string target = followLinks(path);
    const std::string folder = folderOf(target), prefix = nameOf(temporaryPrefix(target));
    DIR* entries = ::opendir(folder.c_str());
    if (!entries) return;
    while (const dirent* e = ::readdir(entries)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string leftover = folder + "/" + name;
        const int fd = ::open(leftover.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        // Its writer, while alive, holds the lock.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            sameFile(fd, leftover))
            ::unlink(leftover.c_str());
        ::close(fd);
    }
    ::closedir(entries);
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
