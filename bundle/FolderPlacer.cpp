#include "bundle/FolderPlacer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bundle/EntryName.h"
#include "content/FileBytes.h"
#include "image/ReplaceFile.h"

namespace orb {

namespace fs = std::filesystem;

FolderPlacer::FolderPlacer(const std::string& folder) {
    std::error_code ec;
    folder_ = fs::absolute(folder, ec).lexically_normal();
    if (ec) folder_ = fs::path(folder).lexically_normal();
}

PlacedFile FolderPlacer::place(const BundleFile& file) {
    if (const std::string problem = entryNameProblem(file.name); !problem.empty() || file.name.back() == '/')
        return {"", "not a file name: the name " + (problem.empty() ? "ends in \"/\"" : problem)};
    const fs::path target = folder_ / file.name;
    const std::string path = target.string();
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec) return {"", target.parent_path().string() + ": " + ec.message()};

    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return {"", path + ": already there, and not a regular file"};
        std::vector<uint8_t> there;
        if (readFileBytes(path, file.bytes.size(), there) == ReadResult::Ok && there == file.bytes)
            return {path, ""};
        return {"", path + ": already there with other bytes; not replaced"};
    }
    if (replaceFile(path, file.bytes) != IoResult::Ok) return {"", path + ": " + std::strerror(errno)};
    created_.push_back(path);
    return {path, ""};
}

void FolderPlacer::removeCreated() {
    for (const std::string& path : created_) ::unlink(path.c_str());
    created_.clear();
}

}  // namespace orb
