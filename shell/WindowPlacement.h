#pragma once
// Where the programs' windows go: every top-level window and dialog opens on the available area
// of its screen (never with its title bar, menus or buttons off it), at the size and place it had
// when it was last closed, and is saved again whenever it is hidden. The places are the desktop's
// business, not the program's data: they live in the user's settings file ("orb/PROGRAM.ini").
#include <QObject>
#include <QRect>

class QApplication;
class QWidget;

namespace orb {

// FRAME (a window's outer rectangle, title bar included) moved into AREA, and shrunk first where it
// is larger, so that every edge lies inside.
QRect fitInto(QRect frame, const QRect& area);

class WindowPlacement : public QObject {
    Q_OBJECT
  public:
    // Places every top-level window and dialog APP shows from now on (message boxes are fitted
    // into the screen but not remembered). The object lives as long as APP.
    static WindowPlacement* install(QApplication& app);

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;
    // FIRST: the window is about to be shown for the first time (it takes its stored place).
    void place(QWidget* window, bool first);
    // Places it again once the window manager has told its frame's margins.
    void placeWithFrame(QWidget* window);
    void save(QWidget* window) const;
};

}  // namespace orb
