// Draws the Glimmer window as a person sees it: "glimmer_window_shot OUT.png IMAGE [ZOOM] [MS]"
// plays IMAGE for MS milliseconds (default 2000) at ZOOM (default 2) and saves the window's area
// of the screen.
// Run it under xvfb-run.
#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"
#include "simulator/app/LedMatrixPainter.h"
#include "simulator/headless/HeadlessRun.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) return 2;
    auto image = orb::FileImageSource::open(argv[2]);
    orb::SignFonts fonts;
    std::string failed;
    if (!image || !fonts.loadFonts(orb::defaultFontFolder(), failed)) return 1;
    const int zoom = argc > 3 ? std::atoi(argv[3]) : 2;
    const int ms = argc > 4 ? std::atoi(argv[4]) : 2000;

    int result = 1;
    {
        auto* view = new orb::CGlimmerView(*image, fonts);
        orb::CMainFrame frame(view);
        frame.show();
        // The window as it starts (2x), or after choosing another zoom in the 보기 menu.
        if (zoom != orb::LedMatrixPainter::kDefaultZoom)
            QTimer::singleShot(300, [&] { frame.chooseZoom(zoom); });
        QTimer::singleShot(ms, [&] {
            const QRect area = frame.frameGeometry();
            result = frame.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(argv[1])
                         ? 0
                         : 1;
            app.quit();
        });
        app.exec();
        view->stopPlaying();
    }
    fonts.releaseFonts();
    return result;
}
