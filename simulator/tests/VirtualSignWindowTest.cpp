// Glimmer --sign's window on Qt's offscreen platform: orbctl sends a program to it over TCP, and
// the window paints the sign's frame at the brightness orbctl set.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QStatusBar>
#include <algorithm>
#include <fstream>
#include <functional>

#include "sign/VirtualSignHost.h"
#include "simulator/app/VirtualSignWindow.h"
#include "simulator/engine/SignClock.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"

namespace orb {
namespace {

using testing::Outcome;

Outcome orbctl(const std::string& args) {
    return testing::runCommand(std::string(ORBCTL_PATH) + " " + args);
}

// Handles events until `done` holds or 30 s have passed (a loaded machine under a sanitizer may
// take seconds); whether it held.
bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (done()) return true;
    }
    return done();
}

// The LEDs the frame lights on a sign of that geometry.
std::vector<bool> litLeds(const PlanePair& frame, const SignGeometry& g) {
    const PlaneView view(frame, g.pixels(), g.ledRows());
    std::vector<bool> lit;
    for (int y = 0; y < view.rows; ++y)
        for (int x = 0; x < view.width; ++x) lit.push_back(view.ledAt(x, y) != Led::Dark);
    return lit;
}

// The colour of each LED in the window's picture at zoom 2 (LED (0, 0) at (10, 10)), row by row.
std::vector<QColor> paintedLeds(const QImage& shot, const SignGeometry& g) {
    std::vector<QColor> leds;
    for (int y = 0; y < g.ledRows(); ++y)
        for (int x = 0; x < g.pixels(); ++x) leds.push_back(shot.pixelColor(10 + 2 * x + 1, 10 + 2 * y + 1));
    return leds;
}

// The one colour the painted LEDs lit in `lit` have when every other one is black; invalid otherwise.
QColor litColour(const std::vector<QColor>& painted, const std::vector<bool>& lit) {
    QColor colour;
    for (size_t i = 0; i < painted.size(); ++i) {
        if (!lit[i]) {
            if (painted[i] != QColor(0, 0, 0)) return {};
        } else if (!colour.isValid()) {
            colour = painted[i];
        } else if (painted[i] != colour) {
            return {};
        }
    }
    return colour == QColor(0, 0, 0) ? QColor() : colour;
}

TEST(VirtualSignWindow, PaintsTheFrameItWasSentAtTheBrightnessItWasSet) {
    testing::TempDir dir;
    testing::writeTestFonts(dir.path().string());
    SignFonts fonts;
    std::string failed;
    ASSERT_TRUE(fonts.loadFonts(dir.path().string(), failed)) << failed;

    // A red "###" (solid blocks in the test fonts) that holds still: no effect, the longest hold.
    const std::string json = dir.file("still.json"), project = dir.file("still.dat");
    std::ofstream(json) << R"({"version": 1, "sign": {"width": 6, "height": 1}, "items": [
        {"layout": "one", "heights": [1], "lines": [{"kind": "sentence",
         "runs": [{"text": "###", "colour": "빨강색"}], "effects": {"holdTime": 10}}]}]})";
    const Outcome imported = orbctl("import " + json + " -o " + project);
    ASSERT_EQ(imported.status, 0) << imported.output;

    // The LEDs the simulator's engine lights for the image orbctl builds, once the text stands.
    const std::string image = dir.file("still.tmp");
    ASSERT_EQ(orbctl("build " + project + " -o " + image).status, 0);
    std::vector<bool> expected;
    SignGeometry geometry;
    {
        auto source = FileImageSource::open(image);
        ASSERT_TRUE(source);
        SignEngine engine(*source, fonts);
        const LocalDateTime now{2026, 12, 8, 12, 0, 0};
        engine.start(0, now);
        for (uint64_t t = 0; t <= 1000; t += 10) engine.pass(t, advance(now, t));
        expected = litLeds(engine.frontFrame(), engine.geometry());
        geometry = engine.geometry();
    }
    ASSERT_GT(std::count(expected.begin(), expected.end(), true), 10);

    LinkServerOptions link;
    ASSERT_TRUE(parseLinkName("tcp:127.0.0.1:0", link));
    VirtualSignHost host(fonts, link, "", realSignClock());
    std::string error;
    ASSERT_TRUE(host.open(error)) << error;
    {
        VirtualSignWindow window(host, fonts);
        window.show();
        EXPECT_EQ(window.frame().windowTitle().toStdString(), "가상 전광판 " + host.address());
        const std::string tcp = "--tcp " + host.address();
        ASSERT_EQ(orbctl("sign " + tcp + " size 6 1").status, 0);
        const Outcome sent = orbctl("send " + project + " " + tcp);
        ASSERT_EQ(sent.status, 0) << sent.output;

        // The colour of the lit LEDs once the window shows the engine's LEDs lit in a wanted one.
        auto shownAt = [&](const std::function<bool(const QColor&)>& wanted) {
            QColor shown;
            const bool agreed = waitFor([&] {
                shown = litColour(paintedLeds(window.view().grab().toImage(), geometry), expected);
                return shown.isValid() && wanted(shown);
            });
            EXPECT_TRUE(agreed) << "the window never showed the engine's frame as wanted";
            return shown;
        };
        const QColor full = shownAt([](const QColor& c) { return c == QColor(255, 0, 0); });
        // The window has taken the size of the one-module-high sign it was told of.
        EXPECT_LT(window.frame().height(), 200);
        EXPECT_TRUE(waitFor([&] {
            return window.frame().statusBar()->currentMessage().contains("항목 1개");
        })) << window.frame().statusBar()->currentMessage().toStdString();

        ASSERT_EQ(orbctl("sign " + tcp + " brightness 1").status, 0);
        const QColor dim = shownAt([](const QColor& c) { return c.red() < 255; });
        EXPECT_GT(dim.red(), 0);
        EXPECT_LT(dim.red(), full.red() / 5);  // about a tenth
        EXPECT_EQ(dim.green(), 0);
        EXPECT_EQ(dim.blue(), 0);

        ASSERT_EQ(orbctl("sign " + tcp + " brightness 10").status, 0);
        EXPECT_EQ(shownAt([](const QColor& c) { return c.red() == 255; }).name().toStdString(), "#ff0000");
        window.frame().close();
    }
}

}  // namespace
}  // namespace orb
