#include "simulator/app/CMainFrame.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "simulator/app/CGlimmerView.h"

namespace orb {

CMainFrame::CMainFrame(CGlimmerView* view) : view_(view) {
    setWindowTitle("미리보기");
    resize(680, 680);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(view);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumSize(32, 32);  // so the window can fit a small sign at 1x
    setCentralWidget(scroll);

    QMenu* file = menuBar()->addMenu("파일(&F)");
    file->addAction("종료(&X)", this, &QWidget::close);
    addZoomMenu();
    QMenu* help = menuBar()->addMenu("도움말(&H)");
    help->addAction("Glimmer 정보(&A)...", this, &CMainFrame::showAbout);

    // A sign larger than the window at start (read with the first frame) makes the window grow.
    connect(view_, &CGlimmerView::matrixSizeChanged, this, [this] { fitMatrix(followsMatrix_); });
}

void CMainFrame::addZoomMenu() {
    QMenu* menu = menuBar()->addMenu("보기(&V)");
    zooms_ = new QActionGroup(this);
    for (int zoom = LedMatrixPainter::kMinZoom; zoom <= LedMatrixPainter::kMaxZoom; ++zoom) {
        QAction* action = menu->addAction(QString("%1배(&%1)").arg(zoom));
        action->setCheckable(true);
        action->setChecked(zoom == view_->zoom());
        action->setShortcut(QKeySequence(QString("Ctrl+%1").arg(zoom)));
        action->setData(zoom);
        zooms_->addAction(action);
        connect(action, &QAction::triggered, this, [this, zoom] { chooseZoom(zoom); });
    }
}

void CMainFrame::chooseZoom(int zoom) {
    view_->setZoom(zoom);
    for (QAction* action : zooms_->actions()) action->setChecked(action->data().toInt() == view_->zoom());
    fitMatrix(true);
}

void CMainFrame::followMatrixSize() {
    followsMatrix_ = true;
    fitMatrix(true);
}

void CMainFrame::fitMatrix(bool shrink) {
    const QWidget* area = centralWidget();
    QSize wanted = view_->matrixSize() + (size() - area->size());
    if (!shrink) wanted = wanted.expandedTo(size());
    const QScreen* s = screen();
    if (!s) return resize(wanted);
    const QRect screenArea = s->availableGeometry();
    // The frame (title bar and borders) must fit too.
    resize(wanted.boundedTo(screenArea.size() - (frameGeometry().size() - size())));
    // A window grown past the screen's edge moves back onto it.
    QRect placed = frameGeometry();
    placed.moveRight(std::min(placed.right(), screenArea.right()));
    placed.moveBottom(std::min(placed.bottom(), screenArea.bottom()));
    placed.moveLeft(std::max(placed.left(), screenArea.left()));
    placed.moveTop(std::max(placed.top(), screenArea.top()));
    if (placed.topLeft() != frameGeometry().topLeft()) move(placed.topLeft());
}

void CMainFrame::bringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    view_->stopPlaying();  // the worker leaves before anything it reads goes away
    event->accept();
}

void CMainFrame::showAbout() {
    QDialog about(this);
    about.setWindowTitle("Glimmer 정보");
    auto* layout = new QVBoxLayout(&about);
    layout->addWidget(new QLabel("Glimmer 버전 1.0", &about));
    auto* buttons = new QDialogButtonBox(&about);
    buttons->addButton("확인", QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    about.exec();
}

}  // namespace orb
