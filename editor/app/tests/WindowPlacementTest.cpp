// The editor's windows on the screen the test is given (its size and scale factor come from the
// environment: orb_add_screen_tests): every frame lies inside the available area with its title
// bar, menus and buttons, the main window keeps 1200 x 750 where that fits, and it comes back where
// it was closed, pulled onto the screen when that place no longer is.
#include <QApplication>
#include <QDialogButtonBox>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTest>
#include <filesystem>
#include <memory>

#include "editor/app/CMainFrame.h"
#include "editor/app/COrbView.h"
#include "editor/app/tests/FakePrompts.h"
#include "editor/core/OrbDocument.h"
#include "editor/dialogs/PhraseDialog.h"
#include "shell/WindowPlacement.h"
#include "testsupport/PseudoTerminal.h"
#include "testsupport/TempDir.h"

namespace orb {

namespace {

QRect area(const QWidget& w) {
    return w.screen()->availableGeometry();
}

// Whether a child widget lies on the screen in full.
bool onScreen(const QWidget* child) {
    const QRect global(child->mapToGlobal(QPoint(0, 0)), child->size());
    return area(*child->window()).contains(global);
}

}  // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT
    testing::TempDir dir_;
    testing::PseudoTerminal com1_;
    std::unique_ptr<QSettings> settings_;

    std::unique_ptr<CMainFrame> showEditor(OrbDocument& doc, testing::FakePrompts& prompts) {
        auto frame = std::make_unique<CMainFrame>(doc, prompts);
        frame->show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(frame.get())); }();
        QApplication::processEvents();  // the second placement, with the frame's real margins
        return frame;
    }

  private slots:
    void initTestCase() {
        qputenv("ORB_COM1", com1_.device().c_str());
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_.file("config")));
        WindowPlacement::install(*qApp);
        settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "orb",
                                                QCoreApplication::applicationName());
        qInfo() << "screen" << QApplication::primaryScreen()->availableGeometry();
    }
    void init() { settings_->clear(); }

    void fitIntoKeepsEveryEdgeInside_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("fitted");
        const QRect area(0, 0, 640, 400);
        QTest::newRow("inside") << QRect(10, 20, 300, 200) << QRect(10, 20, 300, 200);
        QTest::newRow("larger, placed above the left") << QRect(-109, -49, 1200, 750) << area;
        QTest::newRow("past the right and bottom") << QRect(500, 300, 300, 200) << QRect(340, 200, 300, 200);
        QTest::newRow("wider only") << QRect(100, 50, 900, 100) << QRect(0, 50, 640, 100);
    }
    void fitIntoKeepsEveryEdgeInside() {
        QFETCH(QRect, frame);
        QFETCH(QRect, fitted);
        QCOMPARE(fitInto(frame, QRect(0, 0, 640, 400)), fitted);
    }

    void editorFitsTheScreen() {
        OrbDocument doc;
        testing::FakePrompts prompts;
        const auto frame = showEditor(doc, prompts);
        const QRect available = area(*frame);
        QVERIFY2(available.contains(frame->frameGeometry()),
                 qPrintable(
                     QString("%1 in %2")
                         .arg(QVariant(frame->frameGeometry()).toString(), QVariant(available).toString())));
        const QSize room = available.size() - (frame->frameGeometry().size() - frame->size());
        QCOMPARE(frame->size(), QSize(1200, 750).boundedTo(room));
        QVERIFY(onScreen(frame->menuBar()));
        QVERIFY(onScreen(frame->view()->transferButton()));
        QVERIFY(frame->view()->transferButton()->isVisible());
    }

    void editorComesBackWhereItWasClosed() {
        OrbDocument doc;
        testing::FakePrompts prompts;
        auto frame = showEditor(doc, prompts);
        const QRect available = area(*frame);
        const QSize smaller = frame->size() - QSize(100, 80);
        frame->resize(smaller);
        frame->move(available.topLeft() + QPoint(7, 5));
        QApplication::processEvents();
        const QRect closedAt = frame->frameGeometry();
        frame->close();
        frame = showEditor(doc, prompts);
        QCOMPARE(frame->size(), smaller);
        QCOMPARE(frame->frameGeometry().topLeft(), closedAt.topLeft());

        // A place on a screen that is gone (or larger than this one) is pulled onto this one.
        frame->close();
        settings_->setValue("windows/orb.CMainFrame/pos", QPoint(-3000, 5000));
        settings_->setValue("windows/orb.CMainFrame/size", QSize(4000, 3000));
        settings_->sync();
        frame = showEditor(doc, prompts);
        QVERIFY(available.contains(frame->frameGeometry()));
        QVERIFY(onScreen(frame->view()->transferButton()));
    }

    void dialogsFitTheScreen() {
        OrbDocument doc;
        testing::FakePrompts prompts;
        const auto frame = showEditor(doc, prompts);
        // The tallest of the dialogs: on a small screen its contents scroll.
        PhraseDialog phrase(dialogStart(ItemRecord{}, 1, ContentKind::BitmapPhrase), 1, 1,
                            {6, nullptr, dir_.path().string()}, frame.get());
        phrase.show();
        QVERIFY(QTest::qWaitForWindowExposed(&phrase));
        QApplication::processEvents();
        QVERIFY(area(phrase).contains(phrase.frameGeometry()));
        // Its buttons are on the screen, or (on a small one) its contents scroll to them.
        QVERIFY(onScreen(phrase.buttons()) || phrase.findChild<QScrollArea*>());
        phrase.reject();
    }
};

}  // namespace orb

QTEST_MAIN(orb::WindowPlacementTest)
#include "WindowPlacementTest.moc"
