// Glimmer: the sign simulator. "Glimmer [--zoom N] [IMAGE]" opens the window (N LED pixels, 1..8); "Glimmer
// --headless ..." plays without one.
#include <QApplication>
#include <QMessageBox>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "image/WorkingFolder.h"
#include "simulator/app/CMainFrame.h"
#include "simulator/app/GlimmerInstance.h"
#include "simulator/app/GlimmerSession.h"
#include "simulator/app/LedMatrixPainter.h"
#include "simulator/headless/HeadlessRun.h"

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

// The start-up failures end the program after their message, with exit code 0.
int refuse(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
    box.exec();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
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
