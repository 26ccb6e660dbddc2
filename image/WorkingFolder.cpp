#include "image/WorkingFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace orb {

std::string executableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec).string() : exe.parent_path().string();
}

std::string workingFolder() {
    if (const char* home = std::getenv("ORB_HOME"); home && *home) return home;
    const std::string beside = executableFolder();
    if (::access(beside.c_str(), W_OK) == 0) return beside;
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else if (const char* user = std::getenv("HOME"); user && *user)
        data = std::filesystem::path(user) / ".local" / "share";
    else
        data = "/tmp";
    std::error_code ec;
    std::filesystem::create_directories(data / "orb", ec);
    return (data / "orb").string();
}

}  // namespace orb
