#pragma once
// The preview build ("보기", `orbctl build`): plans the program of an item store for the sign
// size of its settings block (corrected as at start-up) and writes it into an image file,
// updated in place and created zero-filled when missing. And the memory gauge: how much of the
// sign's program memory the program takes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "editor/core/ProgramWriter.h"

namespace orb {

enum class BuildResult {
    Done,
    StoreUnreadable,
    TooLarge,     // refused before the image was touched; message names the item
    ImageFailed,  // the image file could be neither opened nor created, or a write failed
};

struct BuildOutcome {
    BuildResult result = BuildResult::Done;
    std::string message;                // UTF-8, for TooLarge and StoreUnreadable
    IoResult io = IoResult::Ok;         // for ImageFailed
    std::vector<LineProblem> problems;  // lines whose files could not be used; the build went on
};

// Called as the build goes with the steps done and their total: one step per line encoded
// (encoding pictures is where the time goes), then one for writing the image. Runs on the
// calling thread; the store must not change until the build returns.
using BuildProgress = std::function<void(int done, int total)>;

// The sign size the build uses: the settings block's, corrected as at start-up.
SettingsBlock correctedSettings(const ItemStore& store);

BuildOutcome buildImage(const ItemStore& store, const std::string& imagePath,
                        const BuildProgress& progress = {});

// The same plan without writing anything (the steps of BuildProgress but the last).
PlanOutcome planStore(const ItemStore& store, ProgramPlan& plan, const BuildProgress& progress = {});

struct MemoryUse {
    static constexpr uint32_t kCapacity =
        ProgramImage::kSectors - ProgramImage::kFirstContentSector;  // 60,416
    uint64_t sectors = 0;  // what the build allocates (more than kCapacity when it would refuse)
    int percent() const { return static_cast<int>(sectors * 100 / kCapacity); }
    bool fits() const { return sectors <= kCapacity; }
};

// The sectors the build of STORE's items allocates from sector 5120, without the limit.
MemoryUse memoryUse(const ItemStore& store);

}  // namespace orb
