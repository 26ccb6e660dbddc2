#pragma once
// The simulator's engine: plays a display program image as the sign does. It owns all of its
// state (allocated when it is built, nothing while it runs) and is driven from outside: each
// pass(nowMs, localTime) is one turn of the sign's loop (step the lines that are due, compose the
// frame, renew the deadlines). The caller gives the time, so tests and the headless mode run on
// virtual time and the window on the real clock.
//
// Its parts: the sequencer (items, lines, play modes), a line player per line (LinePlayer), the
// effect routines (EffectRoutines), the pass-through motions (PassThrough), the content renderers
// (ContentRenderers), the pictures (Pictures) and the composer (Composer), over a SimState.
#include <cstdint>

#include "simulator/engine/BitPlane.h"
#include "simulator/engine/ImageSource.h"
#include "simulator/engine/Sequencer.h"
#include "simulator/engine/SignClock.h"
#include "simulator/engine/SignGeometry.h"
#include "simulator/engine/SimState.h"
#include "simulator/engine/TextDrawer.h"

namespace orb {

class SignEngine {
  public:
    // The image and the fonts must outlive the engine; the fonts must be loaded.
    SignEngine(const ImageSource& image, const SignFonts& fonts);
    SignEngine(const SignEngine&) = delete;
    SignEngine& operator=(const SignEngine&) = delete;

    // Starts playing: resets the buffers and lines, reads the item count and the geometry, and
    // starts the program, with deadlines counted from nowMs.
    void start(uint64_t nowMs, const LocalDateTime& now);
    // One turn of the loop.
    void pass(uint64_t nowMs, const LocalDateTime& now);
    // The earliest time at which a pass can change anything: a line falls due, or a deadline
    // passes. Passes before it leave the frame as it is.
    uint64_t nextDeadline() const;

    // The frame the painter shows.
    const PlanePair& frontFrame() const { return state_.composer.front(); }
    const SignGeometry& geometry() const { return state_.geometry; }
    // What plays: the play mode, the current item, its lines.
    const Sequencer& sequencer() const { return sequencer_; }

  private:
    void compose();

    SimState state_;
    Sequencer sequencer_;
};

}  // namespace orb
