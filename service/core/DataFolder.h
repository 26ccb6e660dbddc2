#pragma once
// The service's data folder: the database "orbd.db", the content store "content/" and the lock
// "orbd.lock". --data DIR; else $ORBD_DATA; else $XDG_DATA_HOME/orb/orbd (~/.local/share/orb/orbd).
// A missing folder is created readable by its owner only; one that another user owns is refused,
// and so is a folder another orbd holds.
#include <string>

namespace orb {

// The folder for a --data option (empty when not given), from the environment otherwise.
std::string dataFolderPath(const std::string& option);

class DataFolder {
  public:
    DataFolder() = default;
    ~DataFolder();  // releases the lock
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // Creates PATH when missing (mode 0700, parents too), checks that it is a folder this user
    // owns, and with LOCK takes its lock. False with ERROR set to a message naming the folder
    // otherwise; a second orbd on the folder is told that another one holds it.
    bool open(const std::string& path, bool lock, std::string& error);

    const std::string& path() const { return path_; }
    std::string databasePath() const { return path_ + "/orbd.db"; }
    std::string contentPath() const { return path_ + "/content"; }

  private:
    std::string path_;
    int lockFd_ = -1;
};

}  // namespace orb
