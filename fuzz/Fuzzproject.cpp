// A project file of any bytes: the item store read, the list rows the editor shows, the settings
// as corrected at start-up, and the program plan with every write checked to lie inside the
// image. An input shorter than a project fills it from the start and, from 32 bytes on, also
// gives its last 32 bytes as the settings block. Picture paths may name the small pictures made
// at start-up in orb-fuzz-pictures/. A run may hold at most 200 MB at once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "editor/core/ListRow.h"
#include "editor/core/ProgramWriter.h"
#include "fuzz/MemoryBudget.h"
#include "image/ItemStore.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace {

using orb::ItemStore;

// Checks that each write lands wholly inside the image, in the order the walk promises.
class CheckingSink final : public orb::ProgramSink {
  public:
    orb::IoResult write(const orb::ProgramWrite& w) override {
        if (w.address > orb::ProgramImage::kSize || w.bytes.size() > orb::ProgramImage::kSize - w.address)
            std::abort();
        if (w.kind == orb::ProgramWrite::Kind::Content &&
            w.address < uint64_t{orb::ProgramImage::kFirstContentSector} * orb::ProgramImage::kSectorSize)
            std::abort();
        return orb::IoResult::Ok;
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const auto folder = std::filesystem::temp_directory_path() / "orb-fuzz-pictures";
    std::filesystem::create_directories(folder);
    orb::testing::GifFrameSpec f;
    f.width = f.height = 8;
    f.indexes.assign(64, 1);
    orb::testing::writeFileBytes((folder / "a.gif").string(),
                                 orb::testing::makeGif(8, 8, {{0, 0, 0}, {255, 0, 0}}, {f, f, f}));
    orb::testing::BmpRecipe b;
    b.width = 9;
    b.height = 3;
    b.colour = [](int x, int y) {
        return orb::Rgb{static_cast<uint8_t>(x * 30), static_cast<uint8_t>(y * 80), 0};
    };
    orb::testing::writeFileBytes((folder / "b.bmp").string(), orb::testing::makeBmp(b));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orb::fuzz::MemoryBudget budget(200u << 20);
    static std::vector<uint8_t> bytes(ItemStore::kFileSize);
    std::memset(bytes.data(), 0, bytes.size());
    std::memcpy(bytes.data(), data, std::min<size_t>(size, bytes.size()));
    if (size >= orb::SettingsBlock::kSize && size < bytes.size())
        std::memcpy(&bytes[ItemStore::kSettingsOffset], data + size - orb::SettingsBlock::kSize,
                    orb::SettingsBlock::kSize);

    ItemStore store(std::make_unique<orb::MemoryDevice>(ItemStore::kFileSize));
    if (store.writeAll(std::span<const uint8_t, ItemStore::kFileSize>(bytes.data(), ItemStore::kFileSize)) !=
        orb::IoResult::Ok)
        std::abort();
    std::vector<orb::ListRow> rows;
    if (orb::readListRows(store, rows) != orb::IoResult::Ok ||
        rows.size() != static_cast<size_t>(store.itemCount()))
        std::abort();

    orb::SettingsBlock settings;
    store.loadSettings(settings);
    orb::ProgramPlan plan;
    if (orb::planProgram(store, store.itemCount(), settings.signWidth(), settings.signHeight(), plan)
            .result == orb::PlanResult::Ok) {
        CheckingSink sink;
        orb::writeProgram(plan, sink);
        orb::previewStepTotal(plan);
    }
    return 0;
}
