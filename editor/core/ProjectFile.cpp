#include "editor/core/ProjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace orb {

namespace {

// Writes all of BYTES to FD; false on any failure.
bool writeWhole(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The rename is on disk only once the folder's entry is.
void syncFolder(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::filesystem::path folder = parent.empty() ? std::filesystem::path(".") : parent;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A file that exists keeps its permissions; one that may not be written is not replaced, and
// one marked read-only stays so even for a user who could write it anyway.
bool targetAllowsWriting(const std::string& path, mode_t& mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        mode = 0644;
        return errno == ENOENT;
    }
    mode = st.st_mode & 07777;
    return S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) != 0 && ::access(path.c_str(), W_OK) == 0;
}

}  // namespace

bool hasProjectExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? path : path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == "dat";
}

DocOutcome readProjectFile(const std::string& path, StoreBytes& out) {
    if (!hasProjectExtension(path)) return DocOutcome::WrongExtension;
    ItemStore file;
    const IoResult r = ItemStore::open(path, FileMode::ReadOnly, file);
    if (r == IoResult::WrongSize) return DocOutcome::WrongSize;
    if (r != IoResult::Ok || file.readAll(out) != IoResult::Ok) return DocOutcome::CannotOpen;
    return DocOutcome::Done;
}

// A link to a project is followed, so the link stays and its target gets the bytes.
static std::string followLink(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const auto target = std::filesystem::canonical(path, ec);
    return ec ? path : target.string();
}

DocOutcome writeProjectFile(const std::string& given, const StoreBytes& bytes) {
    mode_t mode = 0644;
    const std::string path = followLink(given);
    if (path.empty() || !targetAllowsWriting(path, mode)) return DocOutcome::CannotSave;
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return DocOutcome::CannotSave;
    bool ok = ::fchmod(fd, mode) == 0 && writeWhole(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return DocOutcome::CannotSave;
    }
    syncFolder(path);
    return DocOutcome::Done;
}

void zeroRecordsPastList(StoreBytes& bytes) {
    for (int i = 0; i < ItemStore::kRecords; ++i) {
        const size_t at = static_cast<size_t>(i) * ItemRecord::kSize;
        if (bytes[at + header::kLayout] != 0) continue;
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(ItemStore::kRecordsBytes), uint8_t{0});
        return;
    }
}

IoResult loadStore(const std::string& path, ItemStore& out) {
    ItemStore file;
    IoResult r = ItemStore::open(path, FileMode::ReadOnly, file);
    if (r != IoResult::Ok) return r;
    auto bytes = std::make_unique<StoreBytes>();
    r = file.readAll(*bytes);
    if (r != IoResult::Ok) return r;
    out = ItemStore();
    return out.writeAll(*bytes);
}

}  // namespace orb
