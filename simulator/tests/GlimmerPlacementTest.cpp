// Glimmer's window on the screen the test is given (orb_add_screen_tests): it fits the available
// area at every zoom, menus included, and comes back where it was closed.
#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <memory>

#include "shell/WindowPlacement.h"
#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"
#include "testsupport/TestImage.h"

namespace orb {

class GlimmerPlacementTest : public QObject {
    Q_OBJECT
    testing::TempDir dir_;
    SignFonts fonts_;
    testing::TestImage image_;
    std::unique_ptr<MemoryImageSource> source_;

    QRect area(const QWidget& w) const { return w.screen()->availableGeometry(); }

  private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_.file("config")));
        WindowPlacement::install(*qApp);
        testing::writeTestFonts(dir_.path().string());
        std::string failed;
        QVERIFY(fonts_.loadFonts(dir_.path().string(), failed));
        image_.header(40, 8, 0);  // the largest sign: 640 x 128 LEDs
        source_ = std::make_unique<MemoryImageSource>(image_.bytes);
    }

    void fitsAtEveryZoomAndComesBack() {
        QRect closedAt;
        {
            CMainFrame frame(new CGlimmerView(*source_, fonts_));
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            for (int zoom : {1, 4, 8}) {
                frame.chooseZoom(zoom);  // the window grows with the matrix, never past the screen
                QApplication::processEvents();
                QVERIFY2(area(frame).contains(frame.frameGeometry()), qPrintable(QString::number(zoom)));
                const QRect bar(frame.menuBar()->mapToGlobal(QPoint(0, 0)), frame.menuBar()->size());
                QVERIFY(area(frame).contains(bar));
            }
            frame.chooseZoom(1);
            frame.move(area(frame).topLeft() + QPoint(3, 4));
            QApplication::processEvents();
            closedAt = QRect(frame.frameGeometry().topLeft(), frame.size());
            frame.close();
        }
        CMainFrame again(new CGlimmerView(*source_, fonts_));
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(QRect(again.frameGeometry().topLeft(), again.size()), closedAt);
        again.close();
    }

    void cleanupTestCase() { fonts_.releaseFonts(); }
};

}  // namespace orb

QTEST_MAIN(orb::GlimmerPlacementTest)
#include "GlimmerPlacementTest.moc"
