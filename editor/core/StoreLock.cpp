#include "editor/core/StoreLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace orb {

StoreLock::~StoreLock() {
    ::close(fd_);
}

DocOutcome StoreLock::acquire(const std::string& folder, std::unique_ptr<StoreLock>& out) {
    const std::string path = folder + "/data.tmp.lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return DocOutcome::WorkingFolderUnusable;
    int r;
    do r = ::flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? DocOutcome::StoreInUse : DocOutcome::WorkingFolderUnusable;
    }
    out.reset(new StoreLock(fd));
    return DocOutcome::Done;
}

}  // namespace orb
