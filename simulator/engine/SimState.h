#pragma once
// What the engine's parts share: the image and the text drawer, the sign's geometry and clock,
// the working and saved pairs, the three line players and the composer. Everything is allocated
// when it is built; nothing while the engine plays.
#include <array>
#include <memory>
#include <span>

#include "simulator/engine/BitPlane.h"
#include "simulator/engine/Composer.h"
#include "simulator/engine/ImageSource.h"
#include "simulator/engine/LinePlayer.h"
#include "simulator/engine/SignClock.h"
#include "simulator/engine/SignGeometry.h"
#include "simulator/engine/TextDrawer.h"

namespace orb {

struct SimState {
    // The image and the fonts must outlive the state; the fonts must be loaded.
    SimState(const ImageSource& image, const SignFonts& fonts);

    const ImageSource& image;
    TextDrawer drawer;
    SignGeometry geometry;
    LocalDateTime now;
    ClockValues clock;
    std::unique_ptr<PlanePair> working;  // the pictures being built, every line's band
    std::unique_ptr<PlanePair> saved;    // each line's picture as entered, for its exit
    Composer composer;
    std::array<std::unique_ptr<LinePlayer>, 3> lines;
    std::array<uint8_t, 512> sector{};  // scratch for rows read from the image

    LinePlayer& line(int n) { return *lines[static_cast<size_t>(n - 1)]; }
    const LinePlayer& line(int n) const { return *lines[static_cast<size_t>(n - 1)]; }
    size_t read(uint64_t offset, std::span<uint8_t> out) const { return image.read(offset, out); }
    void updateClock() { clock = readClock(now); }
    void setGeometry(const SignGeometry& g);

    // The line set line n draws into during its step.
    PlanePair& drawTarget(int n) { return composer.set(line(n).drawSet()); }
    // Line n's band of the working pair into the set it draws into.
    void showBand(int n) { copyBand(drawTarget(n), *working, n); }
    void clearBandOfTarget(int n);
    void saveBand(int n) { copyBand(*saved, *working, n); }
    void restoreBand(int n) { copyBand(*working, *saved, n); }
    void copyBand(PlanePair& to, const PlanePair& from, int n) const;
    EffectTarget effectTarget(int n) { return {*working, geometry, n}; }
};

}  // namespace orb
