#include "editor/app/FrameStatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace orb {

namespace {

QLabel* paneLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}

// A pane WIDTH pixels wide where the window has room; a narrow window (a small or scaled
// screen) shrinks it down to a third.
void shrinkable(QWidget* pane, int width) {
    pane->setMinimumWidth(width / 3);
    pane->setMaximumWidth(width);
    pane->setSizePolicy(QSizePolicy::Expanding, pane->sizePolicy().verticalPolicy());
}

}  // namespace

FrameStatusBar::FrameStatusBar(QWidget* parent)
    : QStatusBar(parent),
      message_(new QLabel("준비", this)),
      memory_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      cancel_(new QPushButton("취소", this)),
      percent_(paneLabel(this)),
      size_(paneLabel(this)),
      link_(paneLabel(this)) {
    setSizeGripEnabled(true);
    percent_->setFixedWidth(44);  // 30 pixels do not hold "100 %" in this font
    shrinkable(size_, 160);
    size_->setObjectName("signSize");
    shrinkable(link_, 230);
    auto* pane0 = new QWidget(this);
    pane0->setMinimumWidth(160);
    auto* row = new QHBoxLayout(pane0);
    row->setContentsMargins(4, 0, 4, 0);
    row->addWidget(message_, 1);
    row->addWidget(memory_);
    memory_->setObjectName("memoryGauge");
    shrinkable(progress_, 220);
    progress_->setTextVisible(false);
    // An empty range would show Qt's busy animation: the idle bar is an empty one of range 0..1.
    progress_->setRange(0, 1);
    progress_->setValue(0);
    percent_->setAlignment(Qt::AlignCenter);
    // Room goes to the panes in turn up to their widths, the rest to the message.
    addWidget(pane0, 1);
    addWidget(progress_, 1);
    cancel_->setObjectName("cancelTransfer");
    cancel_->setFocusPolicy(Qt::NoFocus);
    cancel_->hide();
    addWidget(cancel_);
    addWidget(percent_);
    addWidget(size_, 1);
    addWidget(link_, 1);
}

void FrameStatusBar::setMessage(const QString& text) {
    message_->setText(text);
}
QString FrameStatusBar::message() const {
    return message_->text();
}

void FrameStatusBar::setMemoryGauge(int percent) {
    memory_->setText(QString("메모리 %1 %").arg(percent));
    memory_->setStyleSheet(percent >= 100 ? "color: #d00000; font-weight: bold;" : "");
}

QString FrameStatusBar::memoryText() const {
    return memory_->text();
}
bool FrameStatusBar::memoryOverfull() const {
    return !memory_->styleSheet().isEmpty();
}

void FrameStatusBar::beginProgress(int total) {
    total_ = total;
    count_ = 0;
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(0);
    percent_->setText("0 %");
}

void FrameStatusBar::stepProgress() {
    if (count_ >= total_) return;
    ++count_;
    showCount();
}

void FrameStatusBar::advanceProgress(int done) {
    const int reached = std::min(done, total_);
    if (count_ >= reached) return;
    count_ = reached;
    showCount();
}

void FrameStatusBar::showCount() {
    progress_->setValue(count_);
    percent_->setText(QString("%1 %").arg(std::min(count_ * 100 / total_, 100)));
}

void FrameStatusBar::showCancel(bool shown) {
    cancel_->setVisible(shown);
}

void FrameStatusBar::clearProgress() {
    total_ = count_ = 0;
    progress_->setRange(0, 1);
    progress_->setValue(0);
    percent_->clear();
}

QString FrameStatusBar::percentText() const {
    return percent_->text();
}

void FrameStatusBar::setSignSize(int columns, int tiers) {
    constexpr int kModuleLeds = 16;
    size_->setText(QString("%1열 x %2단, %3 x %4")
                       .arg(columns)
                       .arg(tiers)
                       .arg(columns * kModuleLeds)
                       .arg(tiers * kModuleLeds));
}
QString FrameStatusBar::signSizeText() const {
    return size_->text();
}

void FrameStatusBar::setLinkStatus(const QString& text) {
    link_->setText(text);
}
QString FrameStatusBar::linkStatus() const {
    return link_->text();
}

}  // namespace orb
