// Draws the editor as a person sees it: "orb_window_shot OUT.png [PROJECT] [--menu TITLE]" starts
// the window on a scratch working folder ($ORB_HOME), optionally opens PROJECT and a menu, and
// saves the whole screen to OUT.png ("--menu --context" opens the list's context menu,
// "--menu --add" the height dialog of an add command; "--port", "--ip", "--size", "--onoff" and
// "--brightness" the settings dialogs; "--transfer" presses "전 송" on the project's sign link,
// "--pull" reads the program back from it).
// Only the window's area of the screen is saved. Run it under xvfb-run.
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QPushButton>
#include "editor/app/CMainFrame.h"
#include "editor/app/COrbView.h"
#include "editor/app/KoreanLocale.h"
#include "editor/app/UserPrompts.h"
#include "image/WorkingFolder.h"

namespace {

// The real dialogs, but the pictures' folder of "--pull" is a scratch one, so no hand is needed.
class ShotPrompts : public orb::DialogPrompts {
  public:
    QString choosePictureFolder(QWidget*, const QString&, const QString&) override {
        return QDir::temp().filePath("orb-window-shot-pictures");
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orb::installQtKorean(app);
    orb::useKoreanFont(app);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) return 2;
    QString project, menuTitle;
    for (int i = 2; i < args.size(); ++i) {
        if (args[i] == "--menu" && i + 1 < args.size())
            menuTitle = args[++i];
        else
            project = args[i];
    }

    ShotPrompts prompts;
    std::unique_ptr<orb::OrbDocument> doc;
    if (orb::OrbDocument::startUp(orb::workingFolder(), doc) != orb::DocOutcome::Done) return 1;
    orb::CMainFrame frame(*doc, prompts);
    frame.show();
    if (!project.isEmpty() && !frame.openProject(project)) return 1;
    if (frame.view()->list()->model()->rowCount() > 1) frame.view()->selectRows({1});

    QTimer::singleShot(400, [&] {
        if (menuTitle == "--add") {  // the height dialog of "3줄로 추가"
            frame.actions().add[2]->trigger();
            return;
        }
        const std::pair<const char*, QAction*> dialogs[] = {{"--port", frame.actions().portSettings},
                                                            {"--ip", frame.actions().ipSettings},
                                                            {"--size", frame.actions().signSize},
                                                            {"--onoff", frame.actions().onOffTimes},
                                                            {"--brightness", frame.actions().brightness}};
        for (const auto& [option, action] : dialogs)
            if (menuTitle == option) {
                action->trigger();
                return;
            }
        if (menuTitle == "--transfer") {
            frame.view()->transferButton()->click();
            return;
        }
        if (menuTitle == "--pull") {  // "전광판에서 가져오기" from the sign on the project's link
            frame.actions().pullProgram->trigger();
            return;
        }
        if (menuTitle == "--context") {
            if (QMenu* menu = frame.createContextMenu(&frame))
                menu->popup(frame.mapToGlobal(QPoint(420, 160)));
            return;
        }
        for (QAction* a : frame.menuBar()->actions())
            if (a->menu() && a->text() == menuTitle) frame.menuBar()->setActiveAction(a);
    });
    int result = 1;
    QTimer::singleShot(1200, [&] {
        // The window's area of the screen, with the menu or dialog opened over it.
        const QRect area = frame.frameGeometry();
        QScreen* screen = QApplication::primaryScreen();
        result = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(args[1]) ? 0 : 1;
        // A command still running ("--pull", "--transfer") may open its message box after the main
        // loop was told to end, and wait there for a hand: leave at once instead.
        std::fflush(nullptr);
        std::_Exit(result);
    });
    app.exec();
    return result;
}
