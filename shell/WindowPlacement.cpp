#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace orb {

namespace {

// Set on a window once placed: whether its frame's real margins were known at its last placement.
const char* const kPlacedProperty = "orbPlaced";
constexpr int kFramePending = 1, kFramed = 2;

bool isPlacedWindow(const QWidget* w) {
    if (!w->isWindow()) return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

bool isRemembered(const QWidget* w) {
    return !w->inherits("QMessageBox");
}

QString keyOf(const QWidget* w) {
    QString key = QString::fromLatin1(w->metaObject()->className()).replace("::", ".");
    if (!w->objectName().isEmpty()) key += '.' + w->objectName();
    return "windows/" + key;
}

std::unique_ptr<QSettings> settings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "orb",
                                       QCoreApplication::applicationName());
}

// The frame's margins: the window manager's once it has told them, else a guess on the generous
// side (a title bar of two text lines), so that a first placement does not cut the title.
QMargins frameMargins(const QWidget* w) {
    const QRect frame = w->frameGeometry(), inner = w->geometry();
    if (frame != inner)
        return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                frame.bottom() - inner.bottom()};
    const int line = w->fontMetrics().height();
    return {4, 2 * line, 4, 4};
}

// A dialog whose least size is larger than the room it has shows its contents in a scroll area.
void scrollWhenTooLarge(QWidget* w, const QSize& room) {
    auto* dialog = qobject_cast<QDialog*>(w);
    QLayout* layout = w->layout();
    if (!dialog || !layout || w->inherits("QMessageBox")) return;
    const QSize least = layout->totalMinimumSize();
    if (least.width() <= room.width() && least.height() <= room.height()) return;
    auto* contents = new QWidget;
    contents->setLayout(layout);  // takes the layout and its widgets over
    auto* scroll = new QScrollArea(w);
    scroll->setWidget(contents);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(w);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
}

}  // namespace

QRect fitInto(QRect frame, const QRect& area) {
    frame.setWidth(std::min(frame.width(), area.width()));
    frame.setHeight(std::min(frame.height(), area.height()));
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    if (frame.top() < area.top()) frame.moveTop(area.top());
    return frame;
}

WindowPlacement* WindowPlacement::install(QApplication& app) {
    auto* placement = new WindowPlacement(&app);
    app.installEventFilter(placement);
    return placement;
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::Show:
            if (!isPlacedWindow(w) || w->property(kPlacedProperty).isValid()) break;
            place(w, true);
            // The window manager tells the frame's size only once the window is up: it is placed
            // again when that is known, should the guess have been short.
            w->setProperty(kPlacedProperty, kFramePending);
            QTimer::singleShot(0, w, [this, w] { placeWithFrame(w); });
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            if (w->property(kPlacedProperty).toInt() == kFramePending) placeWithFrame(w);
            break;
        case QEvent::Hide:
            if (w->property(kPlacedProperty).isValid()) save(w);
            break;
        default:
            break;
    }
    return false;
}

void WindowPlacement::placeWithFrame(QWidget* w) {
    if (w->frameGeometry() == w->geometry()) return;  // not known yet
    w->setProperty(kPlacedProperty, kFramed);
    place(w, false);
}

void WindowPlacement::place(QWidget* w, bool first) {
    const QMargins margins = frameMargins(w);
    QRect frame(w->frameGeometry().topLeft(), w->size().grownBy(margins));
    QScreen* screen = w->screen();
    const std::unique_ptr<QSettings> stored = settings();
    const QString key = keyOf(w);
    if (first && isRemembered(w) && stored->contains(key + "/size")) {
        const QSize size = stored->value(key + "/size").toSize().expandedTo(w->minimumSize());
        frame = QRect(stored->value(key + "/pos").toPoint(), size.grownBy(margins));
        if (QScreen* at = QGuiApplication::screenAt(frame.center())) screen = at;
    } else if (first && !w->parentWidget() && screen) {
        // A first window opens in the middle of its screen.
        frame.moveCenter(screen->availableGeometry().center());
    }
    if (!screen) return;
    const QRect fitted = fitInto(frame, screen->availableGeometry());
    const QSize inner = fitted.size().shrunkBy(margins);
    if (first) scrollWhenTooLarge(w, inner);
    if (fitted.topLeft() == w->frameGeometry().topLeft() && inner == w->size()) return;
    w->resize(inner);
    w->move(fitted.topLeft());
}

void WindowPlacement::save(QWidget* w) const {
    if (!isRemembered(w) || w->isMaximized() || w->isFullScreen()) return;
    const std::unique_ptr<QSettings> stored = settings();
    const QString key = keyOf(w);
    stored->setValue(key + "/pos", w->frameGeometry().topLeft());
    stored->setValue(key + "/size", w->size());
}

}  // namespace orb
