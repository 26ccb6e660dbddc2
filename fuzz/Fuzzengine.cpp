// The simulator engine on a hostile image: the fuzz input becomes the image header, item table
// entries and line contents, and the engine plays it for a few seconds of virtual time.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "image/ProgramImage.h"
#include "simulator/engine/SignEngine.h"
#include "testsupport/TestFonts.h"

namespace {

std::vector<uint8_t>& image() {
    static std::vector<uint8_t> bytes(orb::ProgramImage::kSize, 0);
    return bytes;
}

orb::SignFonts& fonts() {
    static orb::SignFonts f;
    return f;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const auto folder = std::filesystem::temp_directory_path() / "orb-fuzz-fonts";
    std::filesystem::create_directories(folder);
    orb::testing::writeTestFonts(folder.string());
    std::string failed;
    fonts().loadFonts(folder.string(), failed);
    return 0;
}

// Input: 4 header bytes, then up to 8 item table entries (128 bytes each), then content bytes
// placed at the first content sector and, mirrored, at the last sectors of the image.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t>& img = image();
    const uint64_t header = orb::ProgramImage::kHeaderOffset, table = orb::ProgramImage::kItemTableOffset;
    const uint64_t content = orb::ProgramImage::kFirstContentSector * 512, tail = img.size() - 8192;
    std::memset(&img[header], 0, 4);
    std::memset(&img[table], 0, 8 * 128);
    std::memset(&img[content], 0, 8192);
    std::memset(&img[tail], 0, 8192);

    size_t at = 0;
    const size_t headerBytes = std::min<size_t>(size, 4);
    std::memcpy(&img[header], data, headerBytes);
    at += headerBytes;
    const size_t tableBytes = std::min<size_t>(size - at, 8 * 128);
    std::memcpy(&img[table], data + at, tableBytes);
    at += tableBytes;
    const size_t rest = std::min<size_t>(size - at, 8192);
    std::memcpy(&img[content], data + at, rest);
    std::memcpy(&img[tail], data + at, rest);

    orb::MemoryImageSource source(img);
    auto engine = std::make_unique<orb::SignEngine>(source, fonts());
    const orb::LocalDateTime now{2026, 12, 6, 14, 5, 0};
    engine->start(0, now);
    for (uint64_t t = 0; t < 3000; t += 3) engine->pass(t, now);
    return 0;
}
