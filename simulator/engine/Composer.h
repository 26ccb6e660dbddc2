#pragma once
// The composer: every line draws its steps into one of two line sets while the other is shown;
// composing copies each used line's band from the set it shows into the back frame, which then
// becomes the front frame the painter reads.
#include <array>
#include <memory>
#include <span>

#include "simulator/engine/BitPlane.h"

namespace orb {

// The rows of one line in the line sets, and the set it shows.
struct ShownBand {
    int startRow = 0;
    int rowCount = 0;
    int set = 0;  // 0: set A, 1: set B
};

class Composer {
  public:
    Composer();
    // Set A (0) or set B (1).
    PlanePair& set(int which) { return *sets_[static_cast<size_t>(which & 1)]; }
    // Both sets and both frames dark.
    void clear();
    // Builds the back frame from the bands (everything else dark) and shows it.
    void compose(std::span<const ShownBand> bands);
    const PlanePair& front() const { return *frames_[front_]; }

  private:
    std::array<std::unique_ptr<PlanePair>, 2> sets_, frames_;
    size_t front_ = 0;
};

}  // namespace orb
