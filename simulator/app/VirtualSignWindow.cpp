#include "simulator/app/VirtualSignWindow.h"

#include <QStatusBar>
#include <mutex>

#include "simulator/app/SignPlayer.h"

namespace orb {

VirtualSignHost::Now realSignClock() {
    return [] { return std::pair<uint64_t, LocalDateTime>(SignPlayer::steadyMs(), currentLocalTime()); };
}

QString virtualSignStatus(VirtualSignHost& host) {
    std::lock_guard lock(host.mutex());
    const std::string last = host.lastCommand().empty() ? "-" : host.lastCommand();
    const size_t used = host.usedBytes();
    return QString("마지막 명령: %1   메모리: 항목 %2개, %3 KB")
        .arg(QString::fromStdString(last))
        .arg(host.itemCount())
        .arg((used + 1023) / 1024);
}

VirtualSignWindow::VirtualSignWindow(VirtualSignHost& host, const SignFonts& fonts, int zoom)
    : host_(host), view_(new CGlimmerView(host, fonts)), frame_(view_), zoom_(zoom) {
    frame_.setWindowTitle(QString::fromStdString("가상 전광판 " + host.address()));
    frame_.setObjectName("virtualSign");  // its own remembered place, apart from the preview's
    frame_.statusBar()->showMessage(virtualSignStatus(host));
    // A window fitted to a narrow sign (2x) would cut the status line; keep room for a long one.
    const QString longLine =
        "마지막 명령: frame 65535: write 512 bytes at 0x01FFFE00   메모리: 항목 100개, 32768 KB";
    frame_.statusBar()->setMinimumWidth(frame_.statusBar()->fontMetrics().horizontalAdvance(longLine) + 24);
    // The player looks at the sign at least every repaint; the status bar on a slow timer.
    QObject::connect(&status_, &QTimer::timeout, &frame_,
                     [this] { frame_.statusBar()->showMessage(virtualSignStatus(host_)); });
    status_.start(500);
}

VirtualSignWindow::~VirtualSignWindow() {
    host_.stop();
    view_->stopPlaying();
}

void VirtualSignWindow::show() {
    host_.serveOnThread();
    frame_.show();
    if (zoom_) frame_.chooseZoom(zoom_);
    frame_.followMatrixSize();
}

}  // namespace orb
