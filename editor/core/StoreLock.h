#pragma once
// One editor per working folder: an exclusive flock on "data.tmp.lock" beside "data.tmp", held
// for the document's life. The kernel drops it when the process ends, however it ends.
#include <memory>
#include <string>

#include "editor/core/DocOutcome.h"

namespace orb {

class StoreLock {
  public:
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // Done with OUT holding the lock; StoreInUse when another process holds it;
    // WorkingFolderUnusable when the lock file cannot be made.
    static DocOutcome acquire(const std::string& folder, std::unique_ptr<StoreLock>& out);

  private:
    explicit StoreLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace orb
