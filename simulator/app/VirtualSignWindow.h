#pragma once
// The window of a virtual sign: the host's view in Glimmer's main frame, titled with the link's
// address, the status bar showing the last command and the memory in use.
#include <QString>
#include <QTimer>

#include "sign/VirtualSignHost.h"
#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"

namespace orb {

// The clock a windowed sign answers and plays at: the player's steady milliseconds and the PC's
// local time.
VirtualSignHost::Now realSignClock();

// "마지막 명령: ...   메모리: 항목 N개, K KB". Locks the host's mutex.
QString virtualSignStatus(VirtualSignHost& host);

class VirtualSignWindow {
  public:
    // The host must be open and outlive the window; the fonts too. zoom 0 keeps the default.
    VirtualSignWindow(VirtualSignHost& host, const SignFonts& fonts, int zoom = 0);
    ~VirtualSignWindow();  // stops serving, then the player
    VirtualSignWindow(const VirtualSignWindow&) = delete;
    VirtualSignWindow& operator=(const VirtualSignWindow&) = delete;

    // Serves the link on the host's thread and shows the window.
    void show();
    CMainFrame& frame() { return frame_; }
    CGlimmerView& view() { return *view_; }

  private:
    VirtualSignHost& host_;
    CGlimmerView* view_;  // owned by the frame
    CMainFrame frame_;
    QTimer status_;
    int zoom_;
};

}  // namespace orb
