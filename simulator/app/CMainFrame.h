#pragma once
// Glimmer's main window: "미리보기", 680 x 680, centred, with the menus 파일 and 도움말.
#include <QMainWindow>

namespace orb {

class CGlimmerView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit CMainFrame(CGlimmerView* view);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void showAbout();
    CGlimmerView* view_;
    bool centred_ = false;
};

}  // namespace orb
