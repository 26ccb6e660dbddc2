// The Glimmer window on Qt's offscreen platform: it plays and paints the LEDs where they belong.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QProcess>
#include <cstdlib>
#include <filesystem>

#include "TestSign.h"
#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"
#include "simulator/app/GlimmerInstance.h"
#include "simulator/app/GlimmerSession.h"
#include "simulator/app/LedMatrixPainter.h"

namespace orb {
namespace {

class GlimmerWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeTestFonts(fontDir.path().string());
        std::string failed;
        ASSERT_TRUE(fonts.loadFonts(fontDir.path().string(), failed));
        image.header(6, 1, 0);  // nothing to play: the idle picture
    }

    testing::TempDir fontDir;
    SignFonts fonts;
    testing::TestImage image;
};

QColor ledAt(const QImage& shot, int x, int y) {
    return shot.pixelColor(10 + 2 * x + 1, 10 + 2 * y + 1);
}

TEST_F(GlimmerWindow, PaintsTheMatrixFromTheWorkersFrames) {
    MemoryImageSource source(image.bytes);
    auto* view = new CGlimmerView(source, fonts);
    CMainFrame frame(view);
    frame.show();

    // Idle picture 1 on a 6-module sign: "LED" in red from LED column 12, "SIGN" in green from 44.
    QImage shot;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        shot = view->grab().toImage();
        if (ledAt(shot, 12, 2) == QColor(255, 0, 0)) break;
    }
    EXPECT_EQ(ledAt(shot, 12, 2), QColor(255, 0, 0));                        // L
    EXPECT_EQ(ledAt(shot, 46, 1), QColor(0, 255, 0));                        // S
    EXPECT_EQ(ledAt(shot, 0, 0), QColor(0, 0, 0));                           // dark
    EXPECT_EQ(shot.pixelColor(10 + 2 * 12, 10 + 2 * 2), QColor(255, 0, 0));  // each LED a 2 x 2 square
    EXPECT_NE(shot.pixelColor(5, 5), QColor(0, 0, 0));                       // the matrix starts at (10, 10)

    EXPECT_EQ(frame.windowTitle(), "미리보기");
    EXPECT_EQ(frame.size(), QSize(680, 680));
    const auto menus = frame.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "파일(&F)");
    EXPECT_EQ(menus[1]->text(), "보기(&V)");
    EXPECT_EQ(menus[2]->text(), "도움말(&H)");
    frame.close();  // stops the worker before the fonts go
}

// Waits, handling events, until the view's LED at (x, y) shows colour, or 30 s have passed (a
// loaded machine under a sanitizer may take seconds).
QImage waitForLed(CGlimmerView& view, int zoom, int x, int y, QColor colour) {
    QImage shot;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        shot = view.grab().toImage();
        if (shot.pixelColor(10 + zoom * x + zoom / 2, 10 + zoom * y + zoom / 2) == colour) break;
    }
    return shot;
}

TEST_F(GlimmerWindow, ZoomMenuChecksTheChosenZoomAndTheWindowFitsTheMatrix) {
    MemoryImageSource source(image.bytes);
    auto* view = new CGlimmerView(source, fonts);
    CMainFrame frame(view);
    frame.show();
    QMenu* zoomMenu = frame.menuBar()->actions()[1]->menu();
    ASSERT_NE(zoomMenu, nullptr);
    const auto entries = zoomMenu->actions();
    ASSERT_EQ(entries.size(), 8);
    EXPECT_EQ(entries[0]->text(), "1배(&1)");
    EXPECT_EQ(entries[7]->text(), "8배(&8)");
    auto checked = [&] {
        QStringList on;
        for (QAction* a : entries)
            if (a->isChecked()) on << a->text();
        return on;
    };
    EXPECT_EQ(checked(), QStringList{"2배(&2)"});
    EXPECT_EQ(view->zoom(), 2);

    entries[5]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(view->zoom(), 6);
    EXPECT_EQ(checked(), QStringList{"6배(&6)"});
    EXPECT_EQ(view->matrixSize(), QSize(96 * 6 + 20, 16 * 6 + 20));
    EXPECT_EQ(frame.centralWidget()->size(), view->matrixSize());

    entries[0]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(checked(), QStringList{"1배(&1)"});
    EXPECT_EQ(frame.centralWidget()->size().height(), 16 + 20);  // shrinks back too
    frame.close();
}

TEST_F(GlimmerWindow, RoundLedsFromFourTimesWithDimDarkLeds) {
    MemoryImageSource source(image.bytes);
    auto* view = new CGlimmerView(source, fonts);
    CMainFrame frame(view);
    frame.show();
    frame.chooseZoom(6);
    const QImage shot = waitForLed(*view, 6, 12, 2, QColor(255, 0, 0));
    auto at = [&](int x, int y, int dx, int dy) { return shot.pixelColor(10 + 6 * x + dx, 10 + 6 * y + dy); };
    EXPECT_EQ(at(12, 2, 3, 3), QColor(255, 0, 0));  // the lens of a lit LED
    EXPECT_EQ(at(12, 2, 0, 0), QColor(0, 0, 0));    // black between the LEDs
    const QColor dark = at(0, 0, 3, 3);
    EXPECT_NE(dark, QColor(0, 0, 0));  // a dark LED still shows as a dim dot
    EXPECT_LT(dark.red() + dark.green(), 160);
    EXPECT_EQ(at(0, 0, 0, 0), QColor(0, 0, 0));
    frame.close();
}

TEST(LedMatrixPainter, SquaresBelowFourTimesAndZoomsClamped) {
    PlanePair frame;
    orBitsAt(frame.red.row(1), 12, 3, 0x80);
    orBitsAt(frame.green.row(1), 12, 3, 0x80);
    orBitsAt(frame.green.row(15), 12, 95, 0x80);
    const SignGeometry sign;  // 6 x 1 modules: 96 x 16 LEDs
    LedMatrixPainter painter;
    painter.setZoom(3);
    const QImage& image = painter.render(frame, sign);
    EXPECT_EQ(image.size(), QSize(96 * 3, 16 * 3));
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(image.pixelColor(9 + d, 3 + d), QColor(255, 255, 0));  // the whole square lit
        EXPECT_EQ(image.pixelColor(95 * 3 + d, 15 * 3 + 2 - d), QColor(0, 255, 0));
    }
    EXPECT_EQ(image.pixelColor(8, 3), QColor(0, 0, 0));
    // A later frame redraws what changed, and only that.
    frame.red.row(1)[0] = 0;
    orBitsAt(frame.red.row(7), 12, 50, 0x80);
    painter.render(frame, sign);
    EXPECT_EQ(image.pixelColor(10, 4), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(50 * 3 + 1, 7 * 3 + 1), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(95 * 3 + 1, 15 * 3 + 1), QColor(0, 255, 0));
    painter.setZoom(0);
    EXPECT_EQ(painter.zoom(), 1);
    EXPECT_EQ(painter.render(frame, sign).size(), QSize(96, 16));
    painter.setZoom(9);
    EXPECT_EQ(painter.zoom(), 8);
    const QImage& big = painter.render(frame, sign);  // a new zoom draws every LED again
    EXPECT_EQ(big.pixelColor(50 * 8 + 4, 7 * 8 + 4), QColor(255, 0, 0));
    EXPECT_EQ(big.pixelColor(95 * 8 + 4, 15 * 8 + 4), QColor(0, 255, 0));
}

TEST(LedMatrixPainter, DimsTheLitLedsToTheSignsBrightness) {
    PlanePair frame;
    orBitsAt(frame.red.row(1), 12, 3, 0x80);
    const SignGeometry sign;
    for (int zoom : {2, 6}) {
        LedMatrixPainter painter;
        painter.setZoom(zoom);
        const int mid = zoom / 2;
        painter.render(frame, sign);
        painter.setBrightness(0.1);  // the brightness level 1
        const QImage& dim = painter.render(frame, sign);
        EXPECT_EQ(dim.pixelColor(3 * zoom + mid, zoom + mid), QColor(26, 0, 0)) << zoom;
        // A dark LED looks the same whatever the brightness.
        LedMatrixPainter full;
        full.setZoom(zoom);
        EXPECT_EQ(dim.pixelColor(5 * zoom + mid, zoom + mid),
                  full.render(frame, sign).pixelColor(5 * zoom + mid, zoom + mid));
        painter.setBrightness(1.0);
        EXPECT_EQ(painter.render(frame, sign).pixelColor(3 * zoom + mid, zoom + mid), QColor(255, 0, 0));
    }
}

TEST(GlimmerInstance, OneNamePerImageWhateverThePathsSpelling) {
    testing::TempDir dir;
    testing::writeFileBytes(dir.file("preview.tmp"), {0});
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_symlink(dir.path(), dir.path() / "link");
    const QString name = GlimmerInstance::serverName(QString::fromStdString(dir.file("preview.tmp")));
    EXPECT_EQ(GlimmerInstance::serverName(QString::fromStdString(dir.file("sub/../preview.tmp"))), name);
    EXPECT_EQ(GlimmerInstance::serverName(QString::fromStdString(dir.file("link/preview.tmp"))), name);
    EXPECT_NE(GlimmerInstance::serverName(QString::fromStdString(dir.file("sub/preview.tmp"))), name);
}

TEST(GlimmerInstance, NobodyRunningThenAStaleSocketIsTakenOver) {
    testing::TempDir dir;
    const QString image = QString::fromStdString(dir.file("preview.tmp"));
    GlimmerInstance first(image);
    EXPECT_FALSE(first.askRunningToReload(500));
    // A socket file left by a Glimmer that was killed.
    const QString stale = QDir::temp().filePath(GlimmerInstance::serverName(image));
    QFile(stale).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::exists(stale));
    EXPECT_TRUE(first.listen());
}

// A second Glimmer on the same image: it ends at once, and the first plays the image again.
TEST_F(GlimmerWindow, ASecondGlimmerOnTheSameImageMakesTheFirstReload) {
    testing::TempDir work;
    const std::string path = work.file("preview.tmp");
    testing::writeFileBytes(path, image.bytes);
    GlimmerSession session(path, FileImageSource::open(path), fonts);
    session.show();
    waitForLed(session.view(), 2, 12, 2, QColor(255, 0, 0));
    EXPECT_EQ(session.view().matrixSize(), QSize(96 * 2 + 20, 16 * 2 + 20));

    // The editor builds the preview again, for a larger sign, and starts Glimmer again.
    testing::TestImage larger;
    larger.header(10, 2, 0);
    testing::writeFileBytes(path, larger.bytes);
    QProcess second;
    second.start(GLIMMER_PATH, {QString::fromStdString(path)});
    QElapsedTimer waited;
    waited.start();
    while (second.state() != QProcess::NotRunning && waited.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(second.state(), QProcess::NotRunning) << "the second Glimmer did not end";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(session.reloads(), 1);
    waited.restart();
    while (session.view().matrixSize() != QSize(160 * 2 + 20, 32 * 2 + 20) && waited.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(session.view().matrixSize(), QSize(160 * 2 + 20, 32 * 2 + 20));

    // Another image is another window: that Glimmer does not end by itself.
    const std::string other = work.file("other.tmp");
    testing::writeFileBytes(other, image.bytes);
    QProcess third;
    third.start(GLIMMER_PATH, {QString::fromStdString(other)});
    EXPECT_FALSE(third.waitForFinished(1500));
    third.kill();
    third.waitForFinished();
    EXPECT_EQ(session.reloads(), 1);
    session.frame().close();
}

}  // namespace
}  // namespace orb

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
