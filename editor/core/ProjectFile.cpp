#include "editor/core/ProjectFile.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "image/ReplaceFile.h"

namespace orb {

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

// A link to a project is followed, so the link stays and its target gets the bytes; the file
// keeps its permissions.
DocOutcome writeProjectFile(const std::string& path, const StoreBytes& bytes, IoResult* why) {
    const IoResult r = replaceFile(path, bytes);
    if (why) *why = r;
    return r == IoResult::Ok ? DocOutcome::Done : DocOutcome::CannotSave;
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
