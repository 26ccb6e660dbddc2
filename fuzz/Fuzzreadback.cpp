// Reading a program back from sign memory assembled from a small description: the header with
// any item count, a few item headers with any layout, kind, picture size, frame count and start
// sector (mostly inside a short run of content sectors, now and then anything), then content
// bytes. Every picture that comes back is written as its file and read again: the decoders must
// give the planes the memory holds.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "content/BmpFile.h"
#include "content/GifAnimation.h"
#include "editor/core/PulledProject.h"
#include "fuzz/MemoryBudget.h"
#include "image/ColourPlanes.h"

namespace {

using orb::ProgramImage;

constexpr int kMaxItems = 8;
constexpr uint32_t kContentSectors = 64;

// Memory that is zero but for the header, the item table and a run of content sectors.
class DescribedMemory final : public orb::MemorySource {
  public:
    std::array<uint8_t, 4> header{};
    std::vector<uint8_t> table;
    std::vector<uint8_t> content;

    bool read(uint32_t address, std::span<uint8_t> out, std::string&) override {
        if (address + out.size() > ProgramImage::kSize) __builtin_trap();  // the reader stays inside
        std::memset(out.data(), 0, out.size());
        copy(header, ProgramImage::kHeaderOffset, address, out);
        copy(table, ProgramImage::kItemTableOffset, address, out);
        copy(content, uint64_t{ProgramImage::kFirstContentSector} * ProgramImage::kSectorSize, address, out);
        return true;
    }

  private:
    static void copy(std::span<const uint8_t> bytes, uint64_t at, uint64_t offset, std::span<uint8_t> out) {
        const uint64_t begin = std::max(at, offset), end = std::min(at + bytes.size(), offset + out.size());
        if (begin < end) std::memcpy(out.data() + (begin - offset), bytes.data() + (begin - at), end - begin);
    }
};

orb::ItemHeader describedItem(FuzzedDataProvider& in) {
    const auto layout = static_cast<orb::LayoutCode>(in.ConsumeIntegralInRange<uint8_t>(0, 5));
    orb::ItemHeader h = orb::ItemHeader::newItem(layout, {1, 1, 1});
    for (int line = 1; line <= 3; ++line) {
        h.setKind(line, static_cast<orb::ContentKind>(in.ConsumeIntegralInRange<uint8_t>(0, 8)));
        const bool any = in.ConsumeIntegralInRange<uint8_t>(0, 15) == 0;
        h.setPictureSize(line,
                         any ? in.ConsumeIntegral<uint16_t>() : in.ConsumeIntegralInRange<uint16_t>(0, 90),
                         any ? in.ConsumeIntegral<uint16_t>() : in.ConsumeIntegralInRange<uint16_t>(0, 40));
        h.setFrameCount(line,
                        any ? in.ConsumeIntegral<uint16_t>() : in.ConsumeIntegralInRange<uint16_t>(0, 6));
        h.setAnimationSpeed(line, in.ConsumeIntegral<uint8_t>());
        h.setStartSector(
            line, any ? in.ConsumeIntegral<uint16_t>()
                      : static_cast<uint16_t>(ProgramImage::kFirstContentSector +
                                              in.ConsumeIntegralInRange<uint32_t>(0, kContentSectors)));
    }
    return h;
}

// The planes as the sign holds them against those the file gives back, pixel by pixel.
void expectSame(const orb::ColourPlanes& held, const orb::ColourPlanes& back) {
    if (back.width() != held.width() || back.height() != held.height()) __builtin_trap();
    for (int y = 0; y < held.height(); ++y)
        for (int x = 0; x < held.width(); ++x)
            if (held.test(1, x, y) != back.test(1, x, y) || held.test(2, x, y) != back.test(2, x, y))
                __builtin_trap();
}

void checkPicture(const orb::ItemHeader& h, const orb::ReadBackLine& line) {
    const std::vector<uint8_t> file = orb::pictureFileOf(h, line);
    const int w = h.pictureWidth(line.line), ht = h.pictureHeight(line.line);
    // Larger pictures the line encoder refuses anyway; their files are made, not decoded again.
    if (file.empty() || line.bytes.empty() || w > orb::kMaxBitmapWidth || ht > orb::kMaxBitmapHeight) return;
    if (h.kind(line.line) != orb::ContentKind::Animation) {
        orb::RgbImage picture;
        if (orb::decodeBmp(file, picture) != orb::BmpResult::Ok) __builtin_trap();
        expectSame(orb::ColourPlanes(w, ht, line.bytes), orb::bitmapPlanes(picture));
        return;
    }
    orb::GifAnimation gif;
    if (!gif.Load(file) || gif.Width() != w || gif.Height() != ht) return;  // past the decoder's limits
    const size_t frameBytes = 2 * orb::planeBytes(uint64_t(w), uint64_t(ht));
    for (size_t k = 0; k < gif.Frames().size(); ++k) {
        if (!gif.DrawFrame(k)) __builtin_trap();
        const auto held = std::span<const uint8_t>(line.bytes).subspan(k * frameBytes, frameBytes);
        expectSame(orb::ColourPlanes(w, ht, held), orb::FramePlanes(gif.canvas()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The content area is the most the reader holds; the files made of it stay within a few times that.
    orb::fuzz::MemoryBudget budget(size_t{200} << 20);
    FuzzedDataProvider in(data, size);
    DescribedMemory memory;
    const int items = in.ConsumeIntegralInRange<int>(0, kMaxItems);
    const uint16_t count = in.ConsumeBool() ? static_cast<uint16_t>(items) : in.ConsumeIntegral<uint16_t>();
    memory.header = {in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>(),
                     static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
    for (int i = 0; i < items; ++i) {
        const orb::ItemHeader h = describedItem(in);
        memory.table.insert(memory.table.end(), h.bytes.begin(), h.bytes.end());
    }
    memory.content = in.ConsumeRemainingBytes<uint8_t>();
    memory.content.resize(
        std::min<size_t>(memory.content.size(), kContentSectors * ProgramImage::kSectorSize));

    orb::ProgramReadBack readBack;
    if (orb::readProgramBack(memory, {}, readBack).result != orb::ReadBackResult::Ok) return 0;
    if (readBack.items.size() != count) __builtin_trap();
    for (const orb::ReadBackItem& item : readBack.items)
        for (const orb::ReadBackLine& line : item.lines) checkPicture(item.header, line);
    return 0;
}
