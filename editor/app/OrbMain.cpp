// Orb: the editor. "Orb [PROJECT]" starts on the working folder's "data.tmp" with an empty
// list, or with PROJECT opened.
#include <QApplication>
#include <memory>

#include "editor/app/CMainFrame.h"
#include "editor/app/KoreanLocale.h"
#include "editor/app/UserPrompts.h"
#include "image/WorkingFolder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orb");
    orb::installQtKorean(app);
    orb::useKoreanFont(app);

    orb::DialogPrompts prompts;
    std::unique_ptr<orb::OrbDocument> doc;
    const orb::DocOutcome started = orb::OrbDocument::startUp(orb::workingFolder(), doc);
    if (started != orb::DocOutcome::Done) {
        const orb::DocMessage m = orb::messageOf(started);
        prompts.showMessage(nullptr, QString::fromStdString(m.text), QString::fromStdString(m.caption));
        return 1;
    }

    orb::CMainFrame frame(*doc, prompts);
    frame.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) frame.openProjectWhenIdle(args.at(1));
    return app.exec();
}
