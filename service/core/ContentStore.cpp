#include "service/core/ContentStore.h"

#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "image/RegularFile.h"
#include "image/ReplaceFile.h"

namespace orb {

namespace {

constexpr size_t kHashHex = crypto_hash_sha256_BYTES * 2;
// Pictures are read from here by the program writer; none is larger than this.
constexpr uint64_t kLargestFile = uint64_t{64} << 20;

std::string extensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    const size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext;
    for (size_t i = dot + 1; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (!std::isalnum(c) || ext.size() == 5) return {};
        ext += static_cast<char>(std::tolower(c));
    }
    return ext.empty() ? ext : "." + ext;
}

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
    return true;
}

bool ContentStore::validName(const std::string& name) {
    if (name.size() < kHashHex) return false;
    for (size_t i = 0; i < kHashHex; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) ||
            std::isupper(static_cast<unsigned char>(name[i])))
            return false;
    if (name.size() == kHashHex) return true;
    return name[kHashHex] == '.' && extensionOf(name) == name.substr(kHashHex);
}

bool ContentStore::put(std::span<const uint8_t> bytes, const std::string& originalName, std::string& name) {
    std::array<uint8_t, crypto_hash_sha256_BYTES> hash{};
    crypto_hash_sha256(hash.data(), bytes.data(), bytes.size());
    std::array<char, kHashHex + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), hash.data(), hash.size());
    name = std::string(hex.data(), kHashHex) + extensionOf(originalName);
    const std::string path = pathOf(name);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<size_t>(st.st_size) == bytes.size())
        return true;
    return replaceFile(path, bytes, 0600) == IoResult::Ok;
}

bool ContentStore::get(const std::string& name, std::vector<uint8_t>& out) const {
    if (!validName(name)) return false;
    RegularFile file;
    if (file.open(pathOf(name)) != FileOpen::Ok || file.size() > kLargestFile) return false;
    return file.readPrefix(kLargestFile, out);
}

bool ContentStore::remove(const std::string& name) {
    return validName(name) && ::unlink(pathOf(name).c_str()) == 0;
}

}  // namespace orb
