// The Glimmer window on Qt's offscreen platform: it plays and paints the LEDs where they belong.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMenuBar>
#include <cstdlib>

#include "TestSign.h"
#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"

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
    while (waited.elapsed() < 5000) {
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
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "파일(&F)");
    EXPECT_EQ(menus[1]->text(), "도움말(&H)");
    frame.close();  // stops the worker before the fonts go
}

}  // namespace
}  // namespace orb

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
