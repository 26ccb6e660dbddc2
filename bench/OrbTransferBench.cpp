// The "전 송" button of the editor's window against signemu over loopback TCP: frames per second
// of the transfer (target: at least 500) and the longest gap between two ticks of a 5 ms timer
// while it runs (target: the window's event loop never waits more than 50 ms).
// Run under xvfb-run (or QT_QPA_PLATFORM=offscreen): build/bin/bench_orb_transfer
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "bench/TimerGaps.h"
#include "editor/app/CMainFrame.h"
#include "editor/app/COrbView.h"
#include "editor/app/SignCommandRunner.h"
#include "editor/app/UserPrompts.h"
#include "editor/core/ProgramWriter.h"
#include "editor/core/ProjectFile.h"
#include "testsupport/BenchProgram.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestImage.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// The real dialogs, but the outcome is printed instead of waiting for a click.
class PrintedMessages : public orb::DialogPrompts {
  public:
    void showMessage(QWidget*, const QString& text, const QString& caption, orb::MessageKind) override {
        std::printf("message: %s / %s\n", text.toUtf8().constData(), caption.toUtf8().constData());
    }
};

// The transfer benchmarks' program as a project; the frames one transfer of it sends.
int writeProgram(const orb::testing::TempDir& dir, const std::string& project) {
    orb::ItemStore store;
    orb::testing::writeTransferProgram(dir, store);
    orb::StoreBytes bytes;
    store.readAll(bytes);
    if (orb::writeProjectFile(project, bytes) != orb::DocOutcome::Done) return -1;
    orb::ProgramPlan plan;
    orb::planProgram(store, store.itemCount(), 6, 1, plan);
    int frames = 3;  // the model check, the count write (the image header) and SignApply
    for (const orb::ProgramWrite& w : plan.writes)
        if (w.kind != orb::ProgramWrite::Kind::ImageHeader) frames += static_cast<int>((w.bytes.size() + 511) / 512);
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    orb::testing::TempDir dir;
    std::filesystem::create_directory(dir.path() / "home");
    const std::string project = dir.file("bench.dat");
    const int frames = writeProgram(dir, project);
    if (frames < 0) return 1;
    orb::testing::ChildProcess emu({SIGNEMU_PATH, "--tcp", "127.0.0.1:0"});

    QApplication app(argc, argv);
    PrintedMessages prompts;
    std::unique_ptr<orb::OrbDocument> doc;
    if (orb::OrbDocument::startUp((dir.path() / "home").string(), doc) != orb::DocOutcome::Done) return 1;
    orb::CMainFrame frame(*doc, prompts);
    frame.show();
    if (!frame.openProject(QString::fromStdString(project))) return 1;
    doc->setTcpPeer({127, 0, 0, 1}, static_cast<uint16_t>(emu.port()));
    frame.sign()->chooseLinkMode(orb::LinkMode::Tcp);
    while (frame.sign()->activity() != orb::SignActivity::Idle) QApplication::processEvents();

    for (int run = 1; run <= 3; ++run) {
        orb::bench::TimerGaps gaps;
        const Clock::time_point start = Clock::now();
        frame.view()->transferButton()->click();
        while (frame.sign()->activity() != orb::SignActivity::Idle)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double ms = msSince(start);
        gaps.stop();
        std::printf(
            "transfer %d: %d frames in %.0f ms = %.0f frames/s (target 500); %d timer ticks, "
            "longest gap %.1f ms (target 50 ms)\n",
            run, frames, ms, frames * 1000.0 / ms, gaps.ticks(), gaps.longestMs());
    }
    return 0;
}
