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
    if (const std::string problem = makeFolders(target.parent_path()); !problem.empty()) return {"", problem};

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

// Makes FOLDER and the folders on the way, remembering those that were not there.
std::string FolderPlacer::makeFolders(const fs::path& folder) {
    std::vector<std::string> missing;
    std::error_code ec;
    for (fs::path at = folder; !at.empty() && !fs::exists(fs::symlink_status(at, ec)); at = at.parent_path()) {
        missing.insert(missing.begin(), at.string());
        if (at == at.parent_path()) break;
    }
    fs::create_directories(folder, ec);
    for (const std::string& made : missing)
        if (fs::is_directory(fs::symlink_status(made))) createdFolders_.push_back(made);
    return ec ? folder.string() + ": " + ec.message() : std::string();
}

void FolderPlacer::removeCreated() {
    removePlaced(created_, createdFolders_);
    created_.clear();
    createdFolders_.clear();
}

void removePlaced(const std::vector<std::string>& files, const std::vector<std::string>& folders) {
    for (const std::string& path : files) ::unlink(path.c_str());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) ::rmdir(it->c_str());  // only when empty
}

}  // namespace orb
