#include "service/core/DataFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orb {

std::string dataFolderPath(const std::string& option) {
    if (!option.empty()) return option;
    if (const char* env = std::getenv("ORBD_DATA"); env && *env) return env;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return std::string(xdg) + "/orb/orbd";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/orb/orbd";
}

namespace {

// mkdir -p with mode 0700 for every folder it makes.
bool makeFolders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

DataFolder::~DataFolder() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool DataFolder::open(const std::string& path, bool lock, std::string& error) {
    const std::string name = "data folder " + path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT || !makeFolders(path) || ::stat(path.c_str(), &st) != 0) {
            error = name + ": cannot be created: " + std::strerror(errno);
            return false;
        }
    }
    if (!S_ISDIR(st.st_mode)) {
        error = name + ": not a folder";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        error = name + ": owned by another user (uid " + std::to_string(st.st_uid) + ")";
        return false;
    }
    path_ = path;
    if (!lock) return true;
    const std::string lockPath = path + "/orbd.lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = lockPath + ": cannot be opened: " + std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = name + ": another orbd is running on it";
        ::close(fd);
        return false;
    }
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = fd;
    return true;
}

}  // namespace orb
