#pragma once
// Paths that no writer may replace or write into, made in a test's folder, and a way to run a
// command as an ordinary user when the tests run as root.
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport/TempDir.h"

namespace orb::testing {

// A FIFO, a folder, and a read-only file of `size` bytes; as root also a device node (the null
// device, made here rather than /dev/null, so that a failing test spoils nothing) and a symbolic
// link to it.
inline std::vector<std::string> pathsNotToReplace(const TempDir& dir, uint64_t size) {
    std::vector<std::string> paths = {dir.file("fifo"), dir.file("folder"), dir.file("read-only")};
    ::mkfifo(paths[0].c_str(), 0644);
    std::filesystem::create_directory(paths[1]);
    writeFileBytes(paths[2], {});
    std::filesystem::resize_file(paths[2], size);
    ::chmod(paths[2].c_str(), 0444);
    if (::geteuid() == 0 && ::mknod(dir.file("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
        std::filesystem::create_symlink(dir.file("null"), dir.path() / "link-to-null");
        paths.push_back(dir.file("null"));
        paths.push_back(dir.file("link-to-null"));
    }
    return paths;
}

// As root: a file of `size` bytes that the ordinary user cannot write, in a folder that user may
// write ("shared/root.file"), so only the file's own permissions stand in the way; empty when
// the tests do not run as root.
inline std::string othersFile(const TempDir& dir, uint64_t size) {
    if (::geteuid() != 0) return {};
    ::chmod(dir.path().c_str(), 0711);
    std::filesystem::create_directory(dir.path() / "shared");
    ::chmod(dir.file("shared").c_str(), 0777);
    const std::string path = dir.file("shared/root.file");
    writeFileBytes(path, {});
    std::filesystem::resize_file(path, size);
    return path;
}

// Runs CHECK in a child process as the user and group ID (as root only); 0 when it returned true,
// 1 when false, another code when the child could not become that user.
inline int runAs(uid_t id, const std::function<bool()>& check) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(id, id, id) != 0 || ::setresuid(id, id, id) != 0)
            ::_exit(3);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// COMMAND as a shell line run by the ordinary user nobody.
inline std::string asOrdinaryUser(const std::string& command) {
    return "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
}

// What PATH is now, to check that it was left as it was: its type, permissions and bytes.
inline std::string stateOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "missing";
    std::string state = std::to_string(st.st_mode) + ":" + std::to_string(st.st_rdev) + ":" +
                        std::to_string(st.st_size) + ":" + std::to_string(st.st_ino);
    if (S_ISREG(st.st_mode)) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        state += ":" + std::to_string(std::hash<std::string>()(bytes.str()));
    }
    return state;
}

}  // namespace orb::testing
