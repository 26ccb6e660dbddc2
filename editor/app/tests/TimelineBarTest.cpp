// The day bar under the list offscreen: it follows the document's rows and settings, puts the
// current-time marker where the injected clock says, and draws a window over midnight twice.
#include <QImage>
#include <QTest>
#include <memory>

#include "editor/app/TimelineBar.h"
#include "editor/core/OrbDocument.h"

namespace orb {

namespace {

using Spans = std::vector<std::pair<int, int>>;

TimelinePeriod period(int start, int end, std::vector<int> items, bool dark = false) {
    return {start, end, dark, std::move(items)};
}

const QColor kFirstItem(92, 148, 214);

// Runs of pixels of COLOUR along row Y of IMAGE.
int runsOf(const QImage& image, int y, const QColor& colour) {
    int runs = 0;
    bool inside = false;
    for (int x = 0; x < image.width(); ++x) {
        const bool match = image.pixelColor(x, y) == colour;
        if (match && !inside) ++runs;
        inside = match;
    }
    return runs;
}

}  // namespace

class TimelineBarTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<OrbDocument> doc_;
    std::unique_ptr<TimelineBar> bar_;

    void addItems(int count) {
        for (int i = 0; i < count; ++i)
            QCOMPARE(doc_->addItem(LayoutCode::TitleAndSentence, {1, 1, 1}), DocOutcome::Done);
    }
    void window(int row, ClockTime start, ClockTime end) {
        const int rows[] = {row};
        QCOMPARE(doc_->setDisplayTime(rows, start, end), DocOutcome::Done);
    }
    // A bar exactly one pixel per minute wide: x = 8 + minute.
    void oneMinutePerPixel() {
        bar_->resize(1440 + 16, bar_->minimumSizeHint().height());
        QCOMPARE(bar_->barRect().width(), 1440);
    }

  private slots:
    void init() {
        doc_ = std::make_unique<OrbDocument>();
        bar_ = std::make_unique<TimelineBar>(*doc_);
    }
    void cleanup() {
        bar_.reset();
        doc_.reset();
    }

    void emptyDocumentIsOneIdleDay() { QCOMPARE(bar_->periods(), std::vector{period(0, 1440, {})}); }

    void periodsFollowDisplayWindows() {
        addItems(2);
        QCOMPARE(bar_->periods(), std::vector{period(0, 1440, {0, 1})});
        window(0, {8, 0}, {12, 0});
        // Mode 0 plays every item all day whatever its window says.
        QCOMPARE(bar_->periods(), std::vector{period(0, 1440, {0, 1})});
        QCOMPARE(doc_->setWindowMode(1), DocOutcome::Done);
        QCOMPARE(bar_->periods(),
                 (std::vector{period(0, 480, {1}), period(480, 720, {0, 1}), period(720, 1440, {1})}));
        window(0, {9, 30}, {10, 0});
        QCOMPARE(bar_->periods(),
                 (std::vector{period(0, 570, {1}), period(570, 600, {0, 1}), period(600, 1440, {1})}));
        QCOMPARE(bar_->playSpans(0), (Spans{{570, 600}}));
        QCOMPARE(bar_->playSpans(1), (Spans{{0, 1440}}));

        const int first[] = {0};
        QCOMPARE(doc_->deleteRows(first), DocOutcome::Done);  // the former row 2 is now row 1
        QCOMPARE(bar_->periods(), std::vector{period(0, 1440, {0})});
        QCOMPARE(doc_->undo(), DocOutcome::Done);
        QCOMPARE(bar_->playSpans(0), (Spans{{570, 600}}));
        QCOMPARE(doc_->newProject(), DocOutcome::Done);
        QCOMPARE(bar_->periods(), std::vector{period(0, 1440, {})});
    }

    void periodsFollowOnOff() {
        addItems(1);
        QCOMPARE(doc_->setOnOffTimes({6, 0}, {22, 30}), DocOutcome::Done);
        QCOMPARE(bar_->periods(), std::vector{period(0, 1440, {0})});  // not enabled yet
        QCOMPARE(doc_->setOnOffEnabled(true), DocOutcome::Done);
        QCOMPARE(bar_->periods(), (std::vector{period(0, 360, {}, true), period(360, 1350, {0}),
                                               period(1350, 1440, {}, true)}));
        QCOMPARE(doc_->setOnOffTimes({20, 0}, {2, 0}), DocOutcome::Done);
        QCOMPARE(bar_->periods(),
                 (std::vector{period(0, 120, {0}), period(120, 1200, {}, true), period(1200, 1440, {0})}));
        QCOMPARE(doc_->setOnOffEnabled(false), DocOutcome::Done);
        QCOMPARE(bar_->periods(), std::vector{period(0, 1440, {0})});
    }

    void tooltipsNameThePeriod() {
        addItems(2);
        QCOMPARE(doc_->setWindowMode(1), DocOutcome::Done);
        window(0, {8, 0}, {12, 0});
        QCOMPARE(doc_->setOnOffTimes({6, 0}, {23, 0}), DocOutcome::Done);
        QCOMPARE(doc_->setOnOffEnabled(true), DocOutcome::Done);
        oneMinutePerPixel();
        bar_->setClock([] { return QTime(3, 5); });
        const QString dark = bar_->toolTipFor(bar_->periodAt(8 + 30));
        QVERIFY2(dark.startsWith("00:00 ~ 06:00") && dark.contains("꺼짐") && dark.contains("지금 03:05"),
                 qPrintable(dark));
        const QString both = bar_->toolTipFor(bar_->periodAt(8 + 600));
        QVERIFY2(both.startsWith("08:00 ~ 12:00") && both.contains("표출 항목 2개") &&
                     both.contains("\n1. ") && both.contains("\n2. "),
                 qPrintable(both));
        QVERIFY(!both.contains("지금"));
        const QString one = bar_->toolTipFor(bar_->periodAt(8 + 800));
        QVERIFY2(one.contains("표출 항목 1개") && !one.contains("\n1. ") && one.contains("\n2. "),
                 qPrintable(one));
        QCOMPARE(bar_->periodAt(2), -1);
        QVERIFY(bar_->toolTipFor(-1).isEmpty());
    }

    void markerFollowsTheInjectedClock_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("minute");
        QTest::newRow("midnight") << QTime(0, 0) << 0;
        QTest::newRow("13:37") << QTime(13, 37, 59) << 817;
        QTest::newRow("23:59") << QTime(23, 59) << 1439;
    }
    void markerFollowsTheInjectedClock() {
        QFETCH(QTime, time);
        QFETCH(int, minute);
        oneMinutePerPixel();
        bar_->setClock([time] { return time; });
        QCOMPARE(bar_->nowMinute(), minute);
        QCOMPARE(bar_->markerX(), 8 + minute);
        const QImage image = bar_->grab().toImage();
        const int y = bar_->barRect().center().y();
        QCOMPARE(image.pixelColor(8 + minute, y).red(), 214);
        QVERIFY(image.pixelColor(8 + (minute + 720) % 1440, y).red() != 214);
    }

    void markerScalesWithTheWidth() {
        bar_->resize(16 + 480, bar_->minimumSizeHint().height());
        bar_->setClock([] { return QTime(18, 0); });
        QCOMPARE(bar_->markerX(), 8 + 360);
    }

    void windowOverMidnightDrawsTwoSegments() {
        addItems(1);
        QCOMPARE(doc_->setWindowMode(1), DocOutcome::Done);
        window(0, {22, 0}, {2, 0});
        QCOMPARE(bar_->playSpans(0), (Spans{{0, 120}, {1320, 1440}}));
        oneMinutePerPixel();
        bar_->setClock([] { return QTime(12, 0); });
        const QImage image = bar_->grab().toImage();
        const int y = bar_->barRect().top() + 2;  // above the row number
        QCOMPARE(runsOf(image, y, kFirstItem), 2);
        QCOMPARE(image.pixelColor(8 + 60, y), kFirstItem);
        QCOMPARE(image.pixelColor(8 + 1380, y), kFirstItem);
        QVERIFY(image.pixelColor(8 + 600, y) != kFirstItem);

        window(0, {2, 0}, {22, 0});                   // the same hours the other way round: one segment
        bar_->setClock([] { return QTime(23, 0); });  // the marker would split it
        QCOMPARE(runsOf(bar_->grab().toImage(), y, kFirstItem), 1);
    }
};

}  // namespace orb

QTEST_MAIN(orb::TimelineBarTest)
#include "TimelineBarTest.moc"
