#include "service/core/ContentStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/RegularFile.h"

namespace orb {

namespace {

constexpr size_t kHashHex = 64;
// No picture the decoders take is larger.
constexpr uint64_t kLargestFile = uint64_t{256} << 20;

}  // namespace

bool ContentStore::open(const std::string& folder, std::string& error) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = folder + ": cannot be created: " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = folder + ": not a folder";
        return false;
    }
    folder_ = folder;
    placer_ = ContentPlacer(folder);
    return true;
}

bool ContentStore::validName(const std::string& name) {
    if (name.size() < kHashHex) return false;
    for (size_t i = 0; i < kHashHex; ++i)
        if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return false;
    const std::string ext = name.substr(kHashHex);
    return ext.empty() || ext == ".bmp" || ext == ".gif" || ext == ".rtf";
}

std::string ContentStore::nameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

bool ContentStore::get(const std::string& name, std::vector<uint8_t>& out) const {
    if (!validName(name)) return false;
    RegularFile file;
    if (file.open(folder_ + "/" + name) != FileOpen::Ok || file.size() > kLargestFile) return false;
    return file.readPrefix(kLargestFile, out);
}

bool ContentStore::remove(const std::string& name) {
    return validName(name) && ::unlink((folder_ + "/" + name).c_str()) == 0;
}

}  // namespace orb
