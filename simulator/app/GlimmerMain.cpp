// Glimmer: the sign simulator. "Glimmer [--zoom N] [IMAGE]" opens the window (N LED pixels, 1..8); "Glimmer
// --headless ..." plays without one; "Glimmer --sign LINK" is a virtual sign on that link.
#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "image/WorkingFolder.h"
#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"
#include "simulator/app/GlimmerInstance.h"
#include "simulator/app/GlimmerSession.h"
#include "simulator/app/LedMatrixPainter.h"
#include "simulator/app/SignPlayer.h"
#include "simulator/headless/GlimmerCommandLine.h"

namespace {

// The start-up failures end the program after their message, with exit code 0.
int refuse(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
    box.exec();
    return 0;
}

// The sign fonts from the usual places; false after the messages of a file that did not open.
bool loadFonts(orb::SignFonts& fonts) {
    std::string failed;
    if (fonts.loadFonts(orb::defaultFontFolder(), failed)) return true;
    refuse(QString::fromStdString(fonts.failureMessage(failed)), "OPEN실패");
    refuse("폰트파일없음\n실행할수 없습니다", "폰트파일없음");
    return false;
}

QString statusText(orb::VirtualSignHost& host) {
    std::lock_guard lock(host.mutex());
    const std::string last = host.lastCommand().empty() ? "-" : host.lastCommand();
    const size_t used = host.usedBytes();
    return QString("마지막 명령: %1   메모리: 항목 %2개, %3 KB")
        .arg(QString::fromStdString(last))
        .arg(host.itemCount())
        .arg((used + 1023) / 1024);
}

// A window that is a sign on the link: answers it, keeps its memory and plays what it holds.
int virtualSignWindow(const orb::SignOptions& options, int zoom) {
    std::string error;
    orb::SignFonts fonts;
    if (!loadFonts(fonts)) return 0;
    int result = 0;
    {
        orb::VirtualSignHost host(fonts, options.server, options.memory, [] {
            return std::pair<uint64_t, orb::LocalDateTime>(orb::SignPlayer::steadyMs(),
                                                           orb::currentLocalTime());
        });
        if (const std::string refused = host.loadMemory(); !refused.empty()) {
            std::fprintf(stderr, "Glimmer: %s\n", refused.c_str());
            refuse(QString::fromStdString(refused), "가상 전광판");
        }
        if (!host.open(error)) {
            std::fprintf(stderr, "Glimmer: %s\n", error.c_str());
            refuse(QString::fromStdString(error), "가상 전광판");
            return 1;
        }
        std::printf("Glimmer: listening on %s\n", host.address().c_str());
        std::fflush(stdout);
        auto* view = new orb::CGlimmerView(host, fonts);
        orb::CMainFrame frame(view);
        frame.setWindowTitle(QString::fromStdString("가상 전광판 " + host.address()));
        frame.statusBar()->showMessage(statusText(host));
        // A window fitted to a narrow sign (2x) would cut the status line; keep room for a long one.
        const QString longLine = "마지막 명령: frame 65535: write 512 bytes at 0x01FFFE00   메모리: 항목 100개, 32768 KB";
        frame.statusBar()->setMinimumWidth(frame.statusBar()->fontMetrics().horizontalAdvance(longLine) + 24);
        // The player looks at the sign at least every repaint; the status bar on a slow timer.
        QTimer status;
        QObject::connect(&status, &QTimer::timeout, &frame,
                         [&] { frame.statusBar()->showMessage(statusText(host)); });
        status.start(500);
        host.serveOnThread();
        frame.show();
        if (zoom) frame.chooseZoom(zoom);
        result = QApplication::exec();
        host.stop();
        view->stopPlaying();
    }
    fonts.releaseFonts();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    orb::GlimmerOptions options;
    if (const std::optional<int> ended = orb::parseGlimmerArguments(argc, argv, options, true)) return *ended;
    const bool virtualSign = !options.sign.link.empty();
    if (options.headless)
        return virtualSign ? orb::runHeadlessSign(options.sign, options.run) : orb::runHeadless(options.run);

    QApplication app(argc, argv);
    if (virtualSign) return virtualSignWindow(options.sign, options.zoom);
    std::string imagePath = options.image;
    const int zoom = options.zoom;
    if (imagePath.empty()) imagePath = (std::filesystem::path(orb::workingFolder()) / "preview.tmp").string();
    // A Glimmer already showing this image plays it again and comes to the front instead.
    orb::GlimmerInstance instance(QString::fromStdString(imagePath));
    if (instance.askRunningToReload()) return 0;

    auto image = orb::FileImageSource::open(imagePath);
    if (!image) return refuse("preview.tmp파일이 없습니다\n실행할수 없습니다", "파일없음");

    orb::SignFonts fonts;
    if (!loadFonts(fonts)) return 0;

    int result = 0;
    {
        orb::GlimmerSession session(imagePath, std::move(image), fonts);
        session.show();
        if (zoom) session.frame().chooseZoom(zoom);
        result = app.exec();
    }
    fonts.releaseFonts();  // only after the worker has left
    return result;
}
