#pragma once
// The program sequencer: which item plays and how its lines start, which lines step when, and the
// two play modes (the program, or the idle picture when the image holds nothing to play).
#include <cstdint>

#include "image/ItemHeader.h"
#include "simulator/engine/SimState.h"

namespace orb {

enum class PlayMode : uint8_t { Idle = 0, Program = 1 };

class Sequencer {
  public:
    explicit Sequencer(SimState& state) : s_(state) {}

    // Reads the item count and the sign's geometry from the image header, then starts the first
    // item that has something to show, or the idle picture.
    void start();
    // Steps every line of the current item that is due; may move on to the next item. Returns
    // whether a line stepped.
    bool stepLines();

    // The lines the current item uses, 1..3: only they step and show.
    int activeLines() const;
    PlayMode playMode() const { return playMode_; }
    uint16_t itemCount() const { return itemCount_; }
    uint16_t currentItem() const { return currentItem_; }
    LayoutCode layout() const { return layout_; }
    const LinePlayer& line(int n) const { return s_.line(n); }

  private:
    // Moves on to the next item that has something to show; the idle picture when none has.
    void nextItem();
    bool hasPlayableItem() const;
    void readItemHeader(uint16_t index);
    void readLineText(int line);
    // Starts the current item; an item without content sets skipped_ and its caller moves on.
    void loadItem();
    void placeBands();
    void showIdle();
    bool stepLine(int line, bool byFlag);

    SimState& s_;
    ItemHeader header_;  // the current item's
    uint16_t itemCount_ = 0;
    uint16_t currentItem_ = 0;
    PlayMode playMode_ = PlayMode::Idle;
    LayoutCode layout_ = LayoutCode::OneLine;
    bool skipped_ = false;
};

}  // namespace orb
