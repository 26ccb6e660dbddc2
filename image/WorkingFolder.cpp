#include "image/WorkingFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace orb {

namespace {

std::filesystem::path userDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
    if (const char* user = std::getenv("HOME"); user && *user)
        return std::filesystem::path(user) / ".local" / "share";
    return "/tmp";
}

}  // namespace

std::string executableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec).string() : exe.parent_path().string();
}

std::string installedDataFolder(const std::string& exeFolder) {
    return (std::filesystem::path(exeFolder) / ".." / "share" / "orb").lexically_normal().string();
}

std::string workingFolderFor(const std::string& exeFolder) {
    if (const char* home = std::getenv("ORB_HOME"); home && *home) return home;
    // An installed program never writes beside itself, even when it could (run as root).
    std::error_code ec;
    const bool installed = std::filesystem::is_directory(installedDataFolder(exeFolder), ec);
    if (!installed && ::access(exeFolder.c_str(), W_OK) == 0) return exeFolder;
    const std::filesystem::path folder = userDataFolder() / "orb";
    std::filesystem::create_directories(folder, ec);
    return folder.string();
}

std::string workingFolder() {
    return workingFolderFor(executableFolder());
}

}  // namespace orb
