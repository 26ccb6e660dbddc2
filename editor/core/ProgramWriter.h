#pragma once
// The program writer: one walk over the item store that allocates sectors from 5120, encodes
// every line by its kind, fills the start sectors into each item's header and ends with the image
// header. The walk produces a plan of (address, bytes) writes; a sink carries them out, into the
// image file ("preview.tmp"), an image in memory, or the sign. Every sink gets the same bytes at
// the same addresses.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/ItemStore.h"
#include "image/ProgramImage.h"

namespace orb {

struct PlannedLine {
    int line = 0;  // 1..3
    ContentKind kind = ContentKind::None;
    uint32_t startSector = 0;
    uint32_t sectors = 0;
    int frames = 0;          // animation frames written
    bool fileLoaded = true;  // false: its bitmap or animation file could not be used
    bool animationFailed = false;
};

struct PlannedItem {
    ItemHeader header;  // as it goes into the item table, start sectors filled
    std::vector<PlannedLine> lines;
};

struct ProgramWrite {
    enum class Kind { Content, ItemHeader, ImageHeader };
    Kind kind = Kind::Content;
    int item = -1;  // -1 for the image header
    uint64_t address = 0;
    std::vector<uint8_t> bytes;
    // Steps of the sign transfer's progress: one per animation frame, else one per frame of at
    // most 512 bytes sent.
    int transferSteps = 0;
};

// A line whose file could not be used: it occupies no sectors. The build goes on; the transfer
// refuses an animation that did not load.
struct LineProblem {
    int item = 0;  // 0-based
    int line = 0;
    std::string text;  // "path: reason", UTF-8
};

// "N번째 아이템 M번째줄: path: reason".
std::string describe(const LineProblem& p);

struct ProgramPlan {
    ImageHeader imageHeader;
    std::vector<PlannedItem> items;
    // Per item its contents in line order, then its header; the image header last.
    std::vector<ProgramWrite> writes;
    std::vector<LineProblem> problems;
    // Pictures whose file is now of another size than the item recorded when it was chosen: the
    // image gets the file's size, but the item was laid out for the other one.
    std::vector<LineProblem> resized;
};

enum class PlanResult { Ok, StoreUnreadable, TooLarge };

struct PlanOutcome {
    PlanResult result = PlanResult::Ok;
    int item = -1;        // the item that did not fit (0-based), for TooLarge
    std::string message;  // for the user, naming the item
};

// Called after each line is encoded with the lines done and the lines of the whole program.
using LineProgress = std::function<void(int done, int total)>;

// Plans items 0 .. itemCount - 1 of the store for a sign of width columns and height tiers.
// A program whose contents would pass sector 65535 is refused here, before any sink is touched,
// and before any line is encoded when what the lines take at most (encodedSizeAtMost) shows it.
PlanOutcome planProgram(const ItemStore& store, int itemCount, uint8_t width, uint8_t height,
                        ProgramPlan& plan, const LineProgress& progress = {});

// The lines the plan encodes for an item: its layout's lines, 2 for title and sentence.
int plannedLines(const ItemHeader& header);

// The sectors an item's contents take, as the plan allocates them.
uint64_t itemSectors(const ItemRecord& record);

class ProgramSink {
  public:
    virtual ~ProgramSink() = default;
    // Called once before the first write.
    virtual IoResult begin(const ProgramPlan&) { return IoResult::Ok; }
    virtual IoResult write(const ProgramWrite& w) = 0;
};

// Writes into an image, on disk or in memory, updating it in place: every other byte keeps its
// value. The item count is set to 0 before the first write, so that a build that fails half-way
// leaves an image with no items rather than old headers over new contents.
class ImageSink final : public ProgramSink {
  public:
    explicit ImageSink(ProgramImage& image) : image_(image) {}
    IoResult begin(const ProgramPlan& plan) override;
    IoResult write(const ProgramWrite& w) override { return image_.write(w.address, w.bytes); }

  private:
    ProgramImage& image_;
};

// Carries out the plan's writes in order; stops at the first failure.
IoResult writeProgram(const ProgramPlan& plan, ProgramSink& sink);

// The step total of the preview's progress dialog: per item of layout 1 to 3, one step plus one
// for each line of kind 1, 2, 4, 5, 6, 7 and the frame count of each animation that loaded (an
// animation that did not load ends its item's count); three for title and sentence; one for any
// other layout.
int previewStepTotal(const ProgramPlan& plan);

}  // namespace orb
