// Glimmer: the sign simulator. "Glimmer [IMAGE]" opens the window; "Glimmer --headless ..."
// plays without one.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image/WorkingFolder.h"
#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"
#include "simulator/headless/HeadlessRun.h"

namespace {

int headless(const std::vector<std::string>& args) {
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

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args)
        if (a == "--headless") return headless(args);

    QApplication app(argc, argv);
    const std::string imagePath =
        args.empty() ? (std::filesystem::path(orb::workingFolder()) / "preview.tmp").string() : args[0];
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
        auto* view = new orb::CGlimmerView(*image, fonts);
        orb::CMainFrame frame(view);
        frame.show();
        result = app.exec();
        view->stopPlaying();
    }
    fonts.releaseFonts();  // only after the worker has left
    return result;
}
