// Glimmer: the sign simulator. "Glimmer [--zoom N] [IMAGE]" opens the window (N LED pixels, 1..8); "Glimmer
// --headless ..." plays without one; "Glimmer --sign LINK" is a virtual sign on that link.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "image/WorkingFolder.h"
#include "shell/WindowPlacement.h"
#include "simulator/app/GlimmerInstance.h"
#include "simulator/app/GlimmerSession.h"
#include "simulator/app/VirtualSignWindow.h"
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

// A window that is a sign on the link: answers it, keeps its memory and plays what it holds.
int virtualSignWindow(const orb::SignOptions& options, int zoom) {
    orb::SignFonts fonts;
    if (!loadFonts(fonts)) return 0;
    int result = 1;
    {
        orb::VirtualSignHost host(fonts, options.server, options.memory, orb::realSignClock());
        if (const std::string refused = host.loadMemory(); !refused.empty()) {
            std::fprintf(stderr, "Glimmer: %s\n", refused.c_str());
            refuse(QString::fromStdString(refused), "가상 전광판");
        }
        std::string error;
        if (host.open(error)) {
            std::printf("Glimmer: listening on %s\n", host.address().c_str());
            std::fflush(stdout);
            orb::VirtualSignWindow window(host, fonts, zoom);
            window.show();
            result = QApplication::exec();
        } else {
            std::fprintf(stderr, "Glimmer: %s\n", error.c_str());
            refuse(QString::fromStdString(error), "가상 전광판");
        }
    }
    fonts.releaseFonts();  // only after the player has left
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
    QApplication::setApplicationName("Glimmer");
    orb::WindowPlacement::install(app);
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
