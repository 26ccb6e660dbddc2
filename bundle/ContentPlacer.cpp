#include "bundle/ContentPlacer.h"

#include <sodium.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "image/ReplaceFile.h"

namespace orb {

namespace fs = std::filesystem;

namespace {

// "bmp", "gif" or "rtf" from NAME's extension in any case; "" for any other.
std::string knownExtension(std::string_view name) {
    const size_t dot = name.find_last_of("./");
    if (dot == std::string_view::npos || name[dot] != '.') return {};
    std::string ext(name.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == "bmp" || ext == "gif" || ext == "rtf" ? ext : std::string();
}

}  // namespace

std::string sha256Hex(std::span<const uint8_t> bytes) {
    [[maybe_unused]] static const int ready = sodium_init();  // once, from any thread
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, bytes.data(), bytes.size());
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : digest) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

ContentPlacer::ContentPlacer(const std::string& folder) {
    std::error_code ec;
    fs::path absolute = fs::absolute(folder, ec);
    folder_ = (ec ? fs::path(folder) : absolute).lexically_normal().string();
}

PlacedFile ContentPlacer::place(const BundleFile& file) const {
    const std::string ext = knownExtension(file.name);
    const std::string path =
        (fs::path(folder_) / (sha256Hex(file.bytes) + (ext.empty() ? "" : "." + ext))).string();
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) return {"", folder_ + ": " + ec.message()};
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) == file.bytes.size()) return {path, ""};
        return {"", path + ": already there, and not this file"};
    }
    if (replaceFile(path, file.bytes) != IoResult::Ok) return {"", path + ": " + std::strerror(errno)};
    return {path, ""};
}

}  // namespace orb
