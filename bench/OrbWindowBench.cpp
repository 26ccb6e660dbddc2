// The editor's window with the benchmark program (testsupport/BenchProgram.h) as a project:
// the time from before the application object exists until the list has painted its 100 rows,
// and the preview build of that program with the longest gap between two ticks of a 5 ms
// timer (the window's event loop must never wait long while the build runs).
// Run under xvfb-run (or QT_QPA_PLATFORM=offscreen): build/bin/bench_orb_window
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "bench/TimerGaps.h"
#include "editor/app/CMainFrame.h"
#include "editor/app/COrbView.h"
#include "editor/app/KoreanLocale.h"
#include "editor/app/UserPrompts.h"
#include "editor/core/ProjectFile.h"
#include "testsupport/BenchProgram.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Notes the moment the list has painted with every row.
class PaintWatch : public QObject {
  public:
    PaintWatch(QTableView* list, int rows) : list_(list), rows_(rows) {
        list->viewport()->installEventFilter(this);
    }
    bool done = false;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done && list_->model()->rowCount() == rows_)
            QTimer::singleShot(0, [this] { done = true; });
        return false;
    }

  private:
    QTableView* list_;
    int rows_;
};

}  // namespace

int main(int argc, char** argv) {
    orb::testing::TempDir dir;
    std::filesystem::create_directory(dir.path() / "home");
    {
        orb::ItemStore store;
        orb::testing::writeBenchProgram(dir, store);
        orb::StoreBytes bytes;
        store.readAll(bytes);
        if (orb::writeProjectFile(dir.file("bench.dat"), bytes) != orb::DocOutcome::Done) return 1;
    }

    const Clock::time_point start = Clock::now();
    QApplication app(argc, argv);
    orb::installQtKorean(app);
    orb::useKoreanFont(app);
    orb::DialogPrompts prompts;
    std::unique_ptr<orb::OrbDocument> doc;
    if (orb::OrbDocument::startUp((dir.path() / "home").string(), doc) != orb::DocOutcome::Done) return 1;
    orb::CMainFrame frame(*doc, prompts);
    PaintWatch watch(frame.view()->list(), 100);
    frame.show();
    if (!frame.openProject(QString::fromStdString(dir.file("bench.dat")))) return 1;
    while (!watch.done) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("window shown with all %d rows: %.1f ms (target 500 ms)\n",
                frame.view()->list()->model()->rowCount(), msSince(start));

    frame.setLauncher([](const QString&, const QStringList&) { return true; });
    for (const char* run : {"new preview.tmp", "preview.tmp updated in place"}) {
        orb::bench::TimerGaps gaps;
        const Clock::time_point built = Clock::now();
        frame.actions().preview->trigger();
        const double buildMs = msSince(built);
        gaps.stop();
        std::printf("preview build (%s): %.0f ms, %d timer ticks, longest gap %.1f ms (target 50 ms)\n", run,
                    buildMs, gaps.ticks(), gaps.longestMs());
    }
    return 0;
}
