#pragma once
// Glimmer's main window: "미리보기", 680 x 680 (larger when the matrix needs it, never past the
// screen; WindowPlacement puts it on the screen and remembers its place), with the menus 파일, 보기
// (the zoom) and 도움말.
#include <QMainWindow>

class QActionGroup;

namespace orb {

class CGlimmerView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit CMainFrame(CGlimmerView* view);

    // Shows the window in front of the others, as when a second preview was asked for.
    void bringToFront();
    // Zooms the matrix (the 보기 menu's entries) and fits the window to it.
    void chooseZoom(int zoom);
    // From now on the window takes the matrix's size whenever that changes, smaller too (the
    // virtual sign learns its size from the link; the preview keeps its first size unless zoomed).
    void followMatrixSize();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void addZoomMenu();
    // Resizes the window so the whole matrix shows, within the screen; shrinking only when asked.
    void fitMatrix(bool shrink);
    void showAbout();

    CGlimmerView* view_;
    QActionGroup* zooms_ = nullptr;
    bool followsMatrix_ = false;
};

}  // namespace orb
