#pragma once
// An engine with the test fonts, playing an image built by the test.
#include <memory>
#include <string>

#include "simulator/engine/SignEngine.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"
#include "testsupport/TestImage.h"

namespace orb::testing {

// An engine with the test fonts over an image.
struct TestSign {
    explicit TestSign(const TestImage& image, LocalDateTime now = {2026, 12, 6, 14, 5, 0})
        : source(image.bytes), clock(now) {
        writeTestFonts(dir.path().string());
        std::string failed;
        fonts.loadFonts(dir.path().string(), failed);
        engine = std::make_unique<SignEngine>(source, fonts);
        engine->start(0, clock);
    }
    // One step of every used line: each pass comes 100 ms after the last one (or after the start),
    // past every deadline (periods are 50 ms at most), so it steps every line and makes it due again.
    void step(int times = 1) {
        for (int i = 0; i < times; ++i) {
            engine->pass(t, clock);
            t += 100;
        }
    }
    const LinePlayer& line(int n) const { return engine->sequencer().line(n); }
    const PlanePair& frame() const { return engine->frontFrame(); }
    // 0 dark, 1 red, 2 green, 3 yellow.
    int led(int x, int y) const {
        const SignGeometry& g = engine->geometry();
        return static_cast<int>(PlaneView(frame(), g.pixels(), g.ledRows()).ledAt(x, y));
    }
    int litIn(int firstRow, int rows) const {
        int n = 0;
        for (int y = firstRow; y < firstRow + rows; ++y)
            for (int x = 0; x < engine->geometry().pixels(); ++x) n += led(x, y) != 0;
        return n;
    }

    TempDir dir;
    MemoryImageSource source;
    LocalDateTime clock;
    SignFonts fonts;
    std::unique_ptr<SignEngine> engine;
    uint64_t t = 100;
};

}  // namespace orb::testing
