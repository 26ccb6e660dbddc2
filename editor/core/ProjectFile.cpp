#include "editor/core/ProjectFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>

#include "image/ReplaceFile.h"

namespace orb {

namespace {

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
DocOutcome writeProjectFile(const std::string& given, const StoreBytes& bytes) {
    mode_t mode = 0644;
    const std::string path = followLinks(given);
    if (path.empty() || !targetAllowsWriting(path, mode)) return DocOutcome::CannotSave;
    return replaceFile(path, bytes, mode) == IoResult::Ok ? DocOutcome::Done : DocOutcome::CannotSave;
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
