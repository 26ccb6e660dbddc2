#pragma once
// The sign's day under the item list: a bar from 00:00 to 24:00 with the dark periods of the
// ON/OFF times shaded, the items each period plays stacked and numbered as the list numbers
// them, hour ticks and a line at the current time. It follows the document's notifications and
// recomputes the day from the store on every row or settings change.
#include <QTime>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "editor/core/DayTimeline.h"
#include "editor/core/DocumentObserver.h"

class QTimer;

namespace orb {

class OrbDocument;

class TimelineBar : public QWidget, private DocumentObserver {
    Q_OBJECT
  public:
    // The time of day the marker shows; the real clock unless a test gives another.
    using Clock = std::function<QTime()>;

    explicit TimelineBar(OrbDocument& doc, QWidget* parent = nullptr);
    ~TimelineBar() override;

    void setClock(Clock clock);

    const std::vector<TimelinePeriod>& periods() const { return periods_; }
    // Spans [start, end) in minutes during which 0-based ROW plays, consecutive periods joined.
    std::vector<std::pair<int, int>> playSpans(int row) const;
    // The current minute of day (0..1439) by the clock, and the marker's x in widget pixels.
    int nowMinute() const;
    int markerX() const;
    // The bar's area and the x of a minute (0..1440) inside it.
    QRect barRect() const;
    int xOfMinute(int minute) const;
    // The period under widget x, or -1 outside the bar, and the tooltip text for it.
    int periodAt(int x) const;
    QString toolTipFor(int period) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void rowsInserted(int, int) override { recompute(); }
    void rowsRemoved(int, int) override { recompute(); }
    void rowsChanged(int, int) override { recompute(); }
    void rowsReset() override { recompute(); }
    void settingsChanged() override { recompute(); }

    void recompute();
    void scheduleTick();

    OrbDocument& doc_;
    Clock clock_;
    QTimer* tick_;
    std::vector<TimelinePeriod> periods_;
};

}  // namespace orb
