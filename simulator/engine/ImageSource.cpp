#include "simulator/engine/ImageSource.h"

#include <algorithm>
#include <cstring>

namespace orb {

size_t MemoryImageSource::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset >= bytes_.size()) return 0;
    const size_t n = std::min<uint64_t>(out.size(), bytes_.size() - offset);
    std::memcpy(out.data(), bytes_.data() + offset, n);
    return n;
}

size_t ProgramImageSource::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset >= ProgramImage::kSize) return 0;
    const size_t n = std::min<uint64_t>(out.size(), ProgramImage::kSize - offset);
    return image_.read(offset, out.first(n)) == IoResult::Ok ? n : 0;
}

std::unique_ptr<FileImageSource> FileImageSource::open(const std::string& path) {
    RegularFile file;
    if (file.open(path) != FileOpen::Ok) return nullptr;
    return std::unique_ptr<FileImageSource>(new FileImageSource(std::move(file)));
}

size_t FileImageSource::read(uint64_t offset, std::span<uint8_t> out) const {
    const int64_t n = file_.readAt(offset, out);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

}  // namespace orb
