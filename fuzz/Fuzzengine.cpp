// The simulator engine on images assembled from a small description, so that a run is short and
// reaches every effect: the sign's size, a few items with their layout, line heights and kinds,
// every effect and speed, picture sizes, frame counts and start sectors, then content bytes. The
// engine plays each image from one deadline to the next, at most a minute of virtual time and
// 400 passes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "image/CodeLists.h"
#include "image/ProgramImage.h"
#include "simulator/engine/SignEngine.h"
#include "testsupport/TestFonts.h"

namespace {

using orb::ProgramImage;

orb::SignFonts& fonts() {
    static orb::SignFonts f;
    return f;
}

// An image that is zero but for its header, its item table and a run of content sectors.
class DescribedImage final : public orb::ImageSource {
  public:
    std::array<uint8_t, 4> header{};
    std::vector<uint8_t> table;    // entries from the first
    std::vector<uint8_t> content;  // from the first content sector

    size_t read(uint64_t offset, std::span<uint8_t> out) const override {
        if (offset >= ProgramImage::kSize) return 0;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), ProgramImage::kSize - offset));
        std::memset(out.data(), 0, n);
        copy(header, ProgramImage::kHeaderOffset, offset, out.first(n));
        copy(table, ProgramImage::kItemTableOffset, offset, out.first(n));
        copy(content, uint64_t{ProgramImage::kFirstContentSector} * ProgramImage::kSectorSize, offset,
             out.first(n));
        return n;
    }

  private:
    // The part of a region [at, at + bytes.size()) that falls into out, read from offset.
    static void copy(std::span<const uint8_t> bytes, uint64_t at, uint64_t offset, std::span<uint8_t> out) {
        const uint64_t begin = std::max(at, offset), end = std::min(at + bytes.size(), offset + out.size());
        if (begin < end) std::memcpy(out.data() + (begin - offset), bytes.data() + (begin - at), end - begin);
    }
};

constexpr int kMaxItems = 6;
constexpr uint32_t kContentSectors = 128;

// One more than each list, so that a code past the list is tried too.
uint8_t effectCode(FuzzedDataProvider& in, size_t listSize) {
    return in.ConsumeIntegralInRange<uint8_t>(0, static_cast<uint8_t>(listSize));
}

orb::ItemHeader describedItem(FuzzedDataProvider& in) {
    const auto layout = static_cast<orb::LayoutCode>(in.ConsumeIntegralInRange<uint8_t>(0, 5));
    orb::ItemHeader h = orb::ItemHeader::newItem(layout, {1, 1, 1});
    const size_t entries = std::max(orb::textEntryEffects().size(), orb::pictureEntryEffects().size());
    for (int line = 1; line <= 3; ++line) {
        h.setHeightCode(line, in.ConsumeIntegralInRange<uint8_t>(0, 9));
        h.setKind(line, static_cast<orb::ContentKind>(in.ConsumeIntegralInRange<uint8_t>(0, 8)));
        h.setEffects(line,
                     {effectCode(in, entries), effectCode(in, orb::holdEffects().size()),
                      effectCode(in, orb::exitEffects().size()), in.ConsumeIntegralInRange<uint8_t>(0, 10),
                      in.ConsumeIntegralInRange<uint8_t>(0, 5), in.ConsumeIntegralInRange<uint8_t>(0, 5),
                      in.ConsumeIntegralInRange<uint8_t>(0, 5)});
        // Mostly pictures that fit the content run; now and then any size at all.
        const bool any = in.ConsumeIntegralInRange<uint8_t>(0, 15) == 0;
        h.setPictureSize(line,
                         any ? in.ConsumeIntegral<uint16_t>() : in.ConsumeIntegralInRange<uint16_t>(0, 200),
                         any ? in.ConsumeIntegral<uint16_t>() : in.ConsumeIntegralInRange<uint16_t>(0, 64));
        h.setFrameCount(line,
                        any ? in.ConsumeIntegral<uint16_t>() : in.ConsumeIntegralInRange<uint16_t>(0, 8));
        h.setAnimationSpeed(line, in.ConsumeIntegralInRange<uint8_t>(0, 10));
        h.setStartSector(
            line, any ? in.ConsumeIntegral<uint16_t>()
                      : static_cast<uint16_t>(ProgramImage::kFirstContentSector +
                                              in.ConsumeIntegralInRange<uint32_t>(0, kContentSectors)));
        h.setDdayDate(
            line, {in.ConsumeIntegralInRange<uint16_t>(2000, 2100), in.ConsumeIntegralInRange<uint8_t>(0, 13),
                   in.ConsumeIntegralInRange<uint8_t>(0, 32)});
    }
    h.setWindow({in.ConsumeIntegralInRange<uint8_t>(0, 24), in.ConsumeIntegralInRange<uint8_t>(0, 60)},
                {in.ConsumeIntegralInRange<uint8_t>(0, 24), in.ConsumeIntegralInRange<uint8_t>(0, 60)});
    return h;
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    DescribedImage image;
    // Mostly small signs, so that a run is quick; any size now and then.
    const bool anySize = in.ConsumeIntegralInRange<uint8_t>(0, 15) == 0;
    image.header[0] = anySize ? in.ConsumeIntegral<uint8_t>() : in.ConsumeIntegralInRange<uint8_t>(5, 6);
    image.header[1] = anySize ? in.ConsumeIntegral<uint8_t>() : in.ConsumeIntegralInRange<uint8_t>(1, 2);
    const int items = in.ConsumeIntegralInRange<int>(1, kMaxItems);
    // The count in the header may claim more items than the table holds.
    const uint16_t count = in.ConsumeBool() ? static_cast<uint16_t>(items) : in.ConsumeIntegral<uint16_t>();
    image.header[2] = static_cast<uint8_t>(count >> 8);
    image.header[3] = static_cast<uint8_t>(count);
    for (int i = 0; i < items; ++i) {
        const orb::ItemHeader h = describedItem(in);
        image.table.insert(image.table.end(), h.bytes.begin(), h.bytes.end());
    }
    const uint64_t virtualMs = in.ConsumeIntegralInRange<uint64_t>(1000, 60000);
    // Most runs are short; one in five lasts long enough for an entry, a hold of a second (62
    // ticks) and an exit to play out.
    const size_t passes = in.ConsumeIntegralInRange<uint8_t>(0, 4) == 0
                              ? in.ConsumeIntegralInRange<size_t>(120, 400)
                              : in.ConsumeIntegralInRange<size_t>(8, 100);
    image.content = in.ConsumeRemainingBytes<uint8_t>();
    image.content.resize(std::min<size_t>(image.content.size(), kContentSectors * ProgramImage::kSectorSize));

    auto engine = std::make_unique<orb::SignEngine>(image, fonts());
    const orb::LocalDateTime now{2026, 12, 6, 14, 5, 0};
    engine->start(0, now);
    uint64_t t = 0;
    for (size_t k = 0; k < passes && t <= virtualMs; ++k) {
        engine->pass(t, orb::advance(now, t));
        t = std::max(t + 1, engine->nextDeadline());
    }
    return 0;
}
