// Glimmer: the sign simulator. "Glimmer [--zoom N] [IMAGE]" opens the window (N LED pixels, 1..8); "Glimmer
// --headless ..." plays without one.
#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>
#include <algorithm>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/CommandLine.h"
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

struct GlimmerOptions {
    std::string image;  // empty: preview.tmp of the working folder
    int zoom = orb::LedMatrixPainter::kDefaultZoom;
    bool headless = false;
    orb::HeadlessOptions run;
};

// The whole command line: the window's options, or --headless and its own. The exit code when
// the command line ends the run (--help, a usage error).
std::optional<int> parseArguments(int argc, char** argv, GlimmerOptions& o) {
    CLI::App app("The sign simulator: plays a display program image in a window, or without one.", "Glimmer");
    orb::setUpCommandLine(app);
    app.add_option("IMAGE", o.image, "the image to play (preview.tmp of the working folder when not given)");
    orb::addNumber(app, "--zoom", o.zoom, 1, 8, "screen pixels per LED in the window");
    app.add_flag("--headless", o.headless, "play on virtual time without a window");
    const CLI::Option_group* run = orb::addHeadlessOptions(app, o.run);
    app.callback([&] {
        std::string problem;
        if (o.headless && (!o.image.empty() || app.get_option("--zoom")->count() > 0))
            problem = "IMAGE and --zoom are the window's; --headless takes --image";
        else if (o.headless)
            problem = orb::headlessProblem(*run, o.run);
        else if (run->count_all() > 0)
            problem = "the options of the headless mode need --headless";
        if (!problem.empty()) throw CLI::ValidationError(problem);
    });
    return orb::parseCommandLine(app, argc, argv);
}

std::atomic<bool> interrupted{false};
void onSignal(int) {
    interrupted = true;
}

// The virtual sign, headless: serves the link, then plays what it received.
int headlessSign(const std::vector<std::string>& args) {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return orb::runHeadlessSign(args, interrupted);
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
    // The virtual sign has options of its own, read by its own parser.
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (orb::wantsVirtualSign(args)) {
        if (std::find(args.begin(), args.end(), "--headless") != args.end()) return headlessSign(args);
        QApplication app(argc, argv);
        return virtualSignWindow(args);
    }
    GlimmerOptions options;
    if (const std::optional<int> ended = parseArguments(argc, argv, options)) return *ended;
    if (options.headless) return orb::runHeadless(options.run);

    QApplication app(argc, argv);
    std::string imagePath = options.image;
    const int zoom = options.zoom;
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
