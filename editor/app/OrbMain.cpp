// Orb: the editor. "Orb [PROJECT]" starts on the working folder's "data.tmp" with an empty
// list, or with PROJECT opened.
#include <QApplication>
#include <cstdio>
#include <memory>
#include <string_view>

#include "editor/app/CMainFrame.h"
#include "editor/app/KoreanLocale.h"
#include "editor/app/UserPrompts.h"
#include "image/WorkingFolder.h"
#include "shell/WindowPlacement.h"

namespace {

constexpr const char* kUsage =
    "Usage: Orb [PROJECT]\n"
    "The LED sign editor's window: opens PROJECT (a .dat file, or a program bundle's .zip,\n"
    "whose pictures go into a folder it asks for) when given, else the working folder's\n"
    "data.tmp with an empty list.\n"
    "\n"
    "  -h, --help  print this help and exit\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are accepted too.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before QApplication, which needs a display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orb");
    orb::WindowPlacement::install(app);
    orb::installQtKorean(app);
    orb::useKoreanFont(app);

    orb::DialogPrompts prompts;
    std::unique_ptr<orb::OrbDocument> doc;
    const orb::DocOutcome started = orb::OrbDocument::startUp(orb::workingFolder(), doc);
    if (started != orb::DocOutcome::Done) {
        const orb::DocMessage m = orb::messageOf(started);
        prompts.showMessage(nullptr, QString::fromStdString(m.text), QString::fromStdString(m.caption),
                            m.kind);
        return 1;
    }

    orb::CMainFrame frame(*doc, prompts);
    frame.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) frame.openProjectWhenIdle(args.at(1));
    return app.exec();
}
