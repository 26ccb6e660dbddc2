#include "simulator/app/CMainFrame.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "simulator/app/CGlimmerView.h"

namespace orb {

CMainFrame::CMainFrame(CGlimmerView* view) : view_(view) {
    setWindowTitle("미리보기");
    resize(680, 680);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(view);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    setCentralWidget(scroll);

    QMenu* file = menuBar()->addMenu("파일(&F)");
    file->addAction("종료(&X)", this, &QWidget::close);
    QMenu* help = menuBar()->addMenu("도움말(&H)");
    help->addAction("Glimmer 정보(&A)...", this, &CMainFrame::showAbout);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (centred_) return;
    centred_ = true;
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
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
