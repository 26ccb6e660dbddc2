#include "editor/app/PreviewBuildDialog.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <thread>

namespace orb {

namespace {

// How often the dialog looks at the build's progress.
constexpr int kPollMs = 15;

}  // namespace

PreviewBuildDialog::PreviewBuildDialog(QWidget* parent)
    : QDialog(parent), bar_(new QProgressBar(this)), percent_(new QLabel(this)) {
    setWindowTitle("진행률");
    setWindowModality(Qt::ApplicationModal);
    // The build cannot be stopped half-way: the dialog has no close button and ignores Esc.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("미리보기 파일을 만드는 중입니다", this));
    layout->addWidget(new QLabel("잠시 기다려 주세요...", this));
    bar_->setTextVisible(false);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    layout->addWidget(bar_);
    layout->addWidget(percent_);
    setMinimumWidth(360);
    showProgress(0, 0);
}

void PreviewBuildDialog::showProgress(int done, int total) {
    bar_->setRange(0, std::max(total, 1));
    bar_->setValue(std::clamp(done, 0, std::max(total, 1)));
    const int percent = total > 0 ? std::min(done * 100 / total, 100) : 0;
    percent_->setText(QString("%1 %   진행중입니다...").arg(percent));
}

QString PreviewBuildDialog::progressText() const {
    return percent_->text();
}

BuildOutcome PreviewBuildDialog::build(QWidget* parent, const ItemStore& store,
                                       const std::string& imagePath) {
    PreviewBuildDialog dialog(parent);
    dialog.show();
    // The worker only writes these atomics; the window reads them on its own timer, so nothing
    // of Qt crosses between the threads.
    std::atomic<int> done{0}, total{0};
    std::atomic<bool> finished{false};
    BuildOutcome outcome;
    std::thread worker([&] {
        outcome = buildImage(store, imagePath, [&](int d, int t) {
            total.store(t);
            done.store(d);
        });
        finished.store(true);
    });
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        dialog.showProgress(done.load(), total.load());
        if (finished.load()) loop.quit();
    });
    poll.start();
    loop.exec();
    worker.join();
    return outcome;
}

}  // namespace orb
