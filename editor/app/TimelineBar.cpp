#include "editor/app/TimelineBar.h"

#include <QHelpEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

#include "editor/core/ListRow.h"
#include "editor/core/OrbDocument.h"

namespace orb {

namespace {

constexpr int kSideMargin = 8;
constexpr int kBarHeight = 34;
constexpr int kTooltipItems = 20;  // rows named in a tooltip before "외 N개"

const QColor kDark(58, 60, 72);
const QColor kIdle(228, 228, 224);
const QColor kMarker(214, 30, 30);
const QColor kItemColours[] = {
    {92, 148, 214}, {110, 184, 104}, {236, 170, 60}, {176, 112, 200},
    {72, 182, 182}, {226, 120, 120}, {170, 160, 80}, {120, 130, 220},
};

QString hhmm(int minutes) {
    return QString("%1:%2").arg(minutes / 60, 2, 10, QChar('0')).arg(minutes % 60, 2, 10, QChar('0'));
}

QColor itemColour(int row) {
    return kItemColours[static_cast<size_t>(row) % std::size(kItemColours)];
}

// The row as the tooltip names it: its first line's content, or its layout while it has none.
QString rowName(const OrbDocument& doc, int row) {
    if (row >= doc.rowCount()) return {};
    const ListRow& r = doc.row(row);
    const std::string& content = r.columns[ListRow::Content1];
    return QString::fromStdString(content.empty() ? r.columns[ListRow::Layout] : content);
}

int msecsToNextMinute() {
    return 60000 - QTime::currentTime().msecsSinceStartOfDay() % 60000 + 50;
}

}  // namespace

TimelineBar::TimelineBar(OrbDocument& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), clock_([] { return QTime::currentTime(); }), tick_(new QTimer(this)) {
    setObjectName("timelineBar");
    setAccessibleName("하루 표출 시간표");
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(true);
    tick_->setSingleShot(true);
    connect(tick_, &QTimer::timeout, this, [this] {
        update();
        scheduleTick();
    });
    doc_.addObserver(this);
    recompute();
    scheduleTick();
}

TimelineBar::~TimelineBar() {
    doc_.removeObserver(this);
}

void TimelineBar::setClock(Clock clock) {
    clock_ = std::move(clock);
    update();
}

void TimelineBar::recompute() {
    std::vector<TimelinePeriod> periods;
    if (dayTimeline(doc_.store(), periods) != IoResult::Ok) periods.clear();
    periods_ = std::move(periods);
    update();
}

// Wakes at each minute's turn so the marker moves with the clock.
void TimelineBar::scheduleTick() {
    tick_->start(msecsToNextMinute());
}

std::vector<std::pair<int, int>> TimelineBar::playSpans(int row) const {
    std::vector<std::pair<int, int>> spans;
    for (const TimelinePeriod& p : periods_) {
        if (std::find(p.items.begin(), p.items.end(), row) == p.items.end()) continue;
        if (!spans.empty() && spans.back().second == p.start)
            spans.back().second = p.end;
        else
            spans.emplace_back(p.start, p.end);
    }
    return spans;
}

int TimelineBar::nowMinute() const {
    const QTime now = clock_();
    return now.isValid() ? now.hour() * 60 + now.minute() : 0;
}

QRect TimelineBar::barRect() const {
    const int top = fontMetrics().height() + 4;
    return {kSideMargin, top, std::max(1, width() - 2 * kSideMargin), kBarHeight};
}

int TimelineBar::xOfMinute(int minute) const {
    const QRect bar = barRect();
    return bar.left() +
           (std::clamp(minute, 0, kMinutesPerDay) * bar.width() + kMinutesPerDay / 2) / kMinutesPerDay;
}

int TimelineBar::markerX() const {
    return xOfMinute(nowMinute());
}

int TimelineBar::periodAt(int x) const {
    for (size_t i = 0; i < periods_.size(); ++i)
        if (x >= xOfMinute(periods_[i].start) && x < xOfMinute(periods_[i].end)) return static_cast<int>(i);
    return -1;
}

QString TimelineBar::toolTipFor(int period) const {
    if (period < 0 || period >= static_cast<int>(periods_.size())) return {};
    const TimelinePeriod& p = periods_[static_cast<size_t>(period)];
    const int now = nowMinute();
    const QString head = hhmm(p.start) + " ~ " + hhmm(p.end) + "  ";
    const QString tail = now >= p.start && now < p.end ? "\n지금 " + hhmm(now) : QString();
    if (p.dark) return head + "꺼짐 (ON/OFF 시간 밖)" + tail;
    if (p.items.empty()) return head + "표출할 항목 없음 (대기 화면)" + tail;
    QString text = head + QString("표출 항목 %1개").arg(p.items.size()) + tail;
    const size_t shown = std::min(p.items.size(), static_cast<size_t>(kTooltipItems));
    for (size_t k = 0; k < shown; ++k)
        text += QString("\n%1. %2").arg(p.items[k] + 1).arg(rowName(doc_, p.items[k]));
    if (shown < p.items.size()) text += QString("\n… 외 %1개").arg(p.items.size() - shown);
    return text;
}

QSize TimelineBar::sizeHint() const {
    return {600, minimumSizeHint().height()};
}

QSize TimelineBar::minimumSizeHint() const {
    return {200, fontMetrics().height() + 4 + kBarHeight + 6};
}

bool TimelineBar::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = toolTipFor(periodAt(help->pos().x()));
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, this);
    return true;
}

namespace {

void paintLabel(QPainter& p, const QRect& r, const QString& text, const QColor& ink) {
    if (p.fontMetrics().horizontalAdvance(text) + 4 > r.width() || p.fontMetrics().height() > r.height() + 4)
        return;
    p.setPen(ink);
    p.drawText(r, Qt::AlignCenter, text);
}

// The row numbers over a period too thin to number each slice: all of them, or their count,
// on a light backdrop, when it fits.
void paintJoinedLabel(QPainter& p, const QRect& r, const std::vector<int>& items) {
    QStringList numbers;
    for (int row : items) numbers << QString::number(row + 1);
    for (const QString& text : {numbers.join("·"), QString("%1개").arg(items.size())}) {
        const int w = p.fontMetrics().horizontalAdvance(text) + 6, h = p.fontMetrics().height();
        if (w > r.width()) continue;
        const QRect box(r.center().x() - w / 2, r.center().y() - h / 2, w, h);
        p.fillRect(box, QColor(255, 255, 255, 200));
        p.setPen(QColor(20, 20, 20));
        p.drawText(box, Qt::AlignCenter, text);
        return;
    }
}

// One period: shaded when dark, its items stacked from the top in program order.
void paintPeriod(QPainter& p, const QRect& r, const TimelinePeriod& period) {
    if (period.dark) {
        p.fillRect(r, kDark);
        p.fillRect(r, QBrush(QColor(90, 92, 106), Qt::BDiagPattern));
        paintLabel(p, r, "꺼짐", Qt::white);
        return;
    }
    if (period.items.empty()) {
        p.fillRect(r, kIdle);
        return;
    }
    const int n = static_cast<int>(period.items.size());
    const bool numberSlices = r.height() / n >= p.fontMetrics().height() - 1;
    for (int k = 0; k < n; ++k) {
        const int top = r.top() + k * r.height() / n, bottom = r.top() + (k + 1) * r.height() / n;
        const QRect slice(r.left(), top, r.width(), bottom - top);
        const int row = period.items[static_cast<size_t>(k)];
        p.fillRect(slice, itemColour(row));
        if (numberSlices) paintLabel(p, slice, QString::number(row + 1), QColor(20, 20, 20));
    }
    if (!numberSlices) paintJoinedLabel(p, r, period.items);
}

}  // namespace

void TimelineBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect bar = barRect();
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
    p.setFont(small);
    for (const TimelinePeriod& period : periods_) {
        const QRect r(xOfMinute(period.start), bar.top(), xOfMinute(period.end) - xOfMinute(period.start),
                      bar.height());
        paintPeriod(p, r, period);
        p.setPen(QColor(255, 255, 255, 160));
        if (period.start > 0) p.drawLine(r.left(), bar.top(), r.left(), bar.bottom());
    }
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::NoBrush);
    p.drawRect(bar.adjusted(0, 0, -1, -1));

    // Hour ticks above the bar; labels every hour when there is room, else every third.
    const int labelEvery = bar.width() / 24 >= p.fontMetrics().horizontalAdvance("00") + 6 ? 1 : 3;
    p.setFont(font());
    for (int hour = 0; hour <= 24; ++hour) {
        const int x = xOfMinute(hour * 60);
        p.setPen(QColor(90, 90, 90));
        p.drawLine(x, bar.top() - (hour % 6 == 0 ? 4 : 2), x, bar.top() - 1);
        if (hour % labelEvery != 0) continue;
        const QString label = QString("%1").arg(hour, 2, 10, QChar('0'));
        const int w = p.fontMetrics().horizontalAdvance(label);
        const int left = std::clamp(x - w / 2, 0, width() - w);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(left, 0, w, bar.top() - 4), Qt::AlignCenter, label);
    }

    const int x = markerX();
    p.setPen(QPen(kMarker, 2));
    p.drawLine(x, bar.top() - 3, x, bar.bottom() + 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kMarker);
    const QPoint tip[] = {{x - 4, bar.bottom() + 6}, {x + 4, bar.bottom() + 6}, {x, bar.bottom() + 1}};
    p.drawPolygon(tip, 3);
}

}  // namespace orb
