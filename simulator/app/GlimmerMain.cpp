// Glimmer: the sign simulator. "Glimmer [--zoom N] [IMAGE]" opens the window (N LED pixels, 1..8); "Glimmer
// --headless ..." plays without one.
#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/WorkingFolder.h"
#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"
#include "simulator/app/GlimmerInstance.h"
#include "simulator/app/GlimmerSession.h"
#include "simulator/app/LedMatrixPainter.h"
#include "simulator/app/SignPlayer.h"
#include "simulator/headless/HeadlessRun.h"
#include "simulator/headless/HeadlessSign.h"

namespace {

std::atomic<bool> interrupted{false};
void onSignal(int) {
    interrupted = true;
}

int headless(const std::vector<std::string>& args) {
    if (orb::wantsVirtualSign(args)) {
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGTERM, &sa, nullptr);
        ::signal(SIGPIPE, SIG_IGN);
        return orb::runHeadlessSign(args, interrupted);
    }
    orb::HeadlessOptions options;
    std::string error;
    if (!orb::parseHeadlessOptions(args, options, error)) {
        std::fprintf(stderr, "Glimmer: %s\n", error.c_str());
        return 2;
    }
    return orb::runHeadless(options);
}

// The start-up failures end the program after their message, with exit code 0.
int refuse(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
    box.exec();
    return 0;
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
int virtualSignWindow(std::vector<std::string> args) {
    orb::SignOptions options;
    std::string error;
    if (!orb::takeSignOptions(args, options, error))
        return refuse(QString::fromStdString(error), "가상 전광판");
    orb::SignFonts fonts;
    std::string failed;
    if (!fonts.loadFonts(orb::defaultFontFolder(), failed)) {
        refuse(QString::fromStdString(fonts.failureMessage(failed)), "OPEN실패");
        return refuse("폰트파일없음\n실행할수 없습니다", "폰트파일없음");
    }
    orb::LinkServerOptions link;
    orb::parseLinkName(options.link, link);
    int result = 0;
    {
        orb::VirtualSignHost host(fonts, link, options.memory, [] {
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
        // The player looks at the sign at least every repaint; the status bar on a slow timer.
        QTimer status;
        QObject::connect(&status, &QTimer::timeout, &frame,
                         [&] { frame.statusBar()->showMessage(statusText(host)); });
        status.start(500);
        host.serveOnThread();
        frame.show();
        if (options.zoom) frame.chooseZoom(options.zoom);
        result = QApplication::exec();
        host.stop();
        view->stopPlaying();
    }
    fonts.releaseFonts();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args)
        if (a == "--headless") return headless(args);

    QApplication app(argc, argv);
    if (orb::wantsVirtualSign(args)) return virtualSignWindow(args);
    std::string imagePath;
    int zoom = orb::LedMatrixPainter::kDefaultZoom;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--zoom" && i + 1 < args.size())
            zoom = std::atoi(args[++i].c_str());
        else if (imagePath.empty())
            imagePath = args[i];
    }
    if (imagePath.empty()) imagePath = (std::filesystem::path(orb::workingFolder()) / "preview.tmp").string();
    // A Glimmer already showing this image plays it again and comes to the front instead.
    orb::GlimmerInstance instance(QString::fromStdString(imagePath));
    if (instance.askRunningToReload()) return 0;

    auto image = orb::FileImageSource::open(imagePath);
    if (!image) return refuse("preview.tmp파일이 없습니다\n실행할수 없습니다", "파일없음");

    orb::SignFonts fonts;
    std::string failed;
    if (!fonts.loadFonts(orb::defaultFontFolder(), failed)) {
        refuse(QString::fromStdString(fonts.failureMessage(failed)), "OPEN실패");
        return refuse("폰트파일없음\n실행할수 없습니다", "폰트파일없음");
    }

    int result = 0;
    {
        orb::GlimmerSession session(imagePath, std::move(image), fonts);
        session.show();
        if (zoom != orb::LedMatrixPainter::kDefaultZoom) session.frame().chooseZoom(zoom);
        result = app.exec();
    }
    fonts.releaseFonts();  // only after the worker has left
    return result;
}
