#include "editor/app/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>

namespace orb {

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 245);
const QColor kFolder(232, 184, 72);
const QColor kBlue(52, 101, 164);
const QColor kRed(204, 40, 40);
const QColor kGreen(60, 150, 60);
const QColor kAmber(245, 180, 0);

void pen(QPainter& p, const QColor& c, qreal width = 1.6) {
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void page(QPainter& p, const QRectF& r) {
    pen(p, kInk);
    p.setBrush(kPaper);
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 6, r.top());
    path.lineTo(r.right(), r.top() + 6);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 6, r.top()), QPointF(r.right() - 6, r.top() + 6));
    p.drawLine(QPointF(r.right() - 6, r.top() + 6), QPointF(r.right(), r.top() + 6));
}

void floppy(QPainter& p) {
    pen(p, kInk);
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(5, 5, 22, 22), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 5, 14, 8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 17, 14, 10));
}

// A plus sign in a green disc at the lower right: the add commands.
void plusBadge(QPainter& p) {
    pen(p, Qt::white, 2.2);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(24, 24), 7, 7);
    p.drawLine(QPointF(20, 24), QPointF(28, 24));
    p.drawLine(QPointF(24, 20), QPointF(24, 28));
}

// A sign face with the given line bands, from the top; heights in pixels.
void signLines(QPainter& p, std::initializer_list<int> bands) {
    pen(p, kInk);
    p.setBrush(QColor(20, 20, 20));
    p.drawRect(QRectF(2, 4, 26, 20));
    qreal y = 6;
    int i = 0;
    for (int h : bands) {
        p.setPen(Qt::NoPen);
        p.setBrush(i++ % 2 ? kGreen : kRed);
        p.drawRect(QRectF(4, y, 22, h - 1));
        y += h + 1;
    }
}

void drawOpen(QPainter& p) {
    pen(p, kInk);
    p.setBrush(kFolder.darker(115));
    p.drawRect(QRectF(3, 8, 22, 18));
    p.drawRect(QRectF(3, 5, 9, 3));
    p.setBrush(kFolder);
    QPolygonF front({QPointF(7, 13), QPointF(30, 13), QPointF(25, 26), QPointF(3, 26)});
    p.drawPolygon(front);
}

void drawSave(QPainter& p) {
    floppy(p);
}

void drawSaveAs(QPainter& p) {
    floppy(p);
    pen(p, kInk, 1.2);
    p.setBrush(kAmber);
    QPolygonF pencil({QPointF(17, 29), QPointF(18, 24), QPointF(28, 14), QPointF(31, 17), QPointF(21, 27)});
    p.drawPolygon(pencil);
}

void drawNew(QPainter& p) {
    page(p, QRectF(7, 3, 19, 26));
    pen(p, kAmber, 2);
    p.drawLine(QPointF(9, 8), QPointF(15, 8));
    p.drawLine(QPointF(12, 5), QPointF(12, 11));
}

void drawSignSize(QPainter& p) {
    pen(p, kInk);
    p.setBrush(QColor(20, 20, 20));
    p.drawRect(QRectF(4, 8, 24, 16));
    pen(p, QColor(90, 90, 90), 1);
    for (int x = 10; x < 28; x += 6) p.drawLine(QPointF(x, 8), QPointF(x, 24));
    p.drawLine(QPointF(4, 16), QPointF(28, 16));
    pen(p, kRed, 1.8);
    p.drawLine(QPointF(4, 4), QPointF(28, 4));
    p.drawLine(QPointF(4, 2), QPointF(4, 6));
    p.drawLine(QPointF(28, 2), QPointF(28, 6));
    p.drawLine(QPointF(4, 28), QPointF(28, 28));
    p.drawLine(QPointF(4, 26), QPointF(4, 30));
    p.drawLine(QPointF(28, 26), QPointF(28, 30));
}

void drawCut(QPainter& p) {
    pen(p, kInk, 2);
    p.drawLine(QPointF(10, 3), QPointF(20, 20));
    p.drawLine(QPointF(22, 3), QPointF(12, 20));
    p.setBrush(Qt::NoBrush);
    pen(p, kRed, 2.2);
    p.drawEllipse(QPointF(10, 24), 4.5, 4.5);
    p.drawEllipse(QPointF(22, 24), 4.5, 4.5);
}

void drawPaste(QPainter& p) {
    pen(p, kInk);
    p.setBrush(kFolder.darker(120));
    p.drawRoundedRect(QRectF(4, 5, 18, 24), 2, 2);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(QRectF(9, 3, 8, 5));
    page(p, QRectF(13, 11, 15, 18));
}

void drawDelete(QPainter& p) {
    pen(p, kRed, 4.5);
    p.drawLine(QPointF(8, 8), QPointF(24, 24));
    p.drawLine(QPointF(24, 8), QPointF(8, 24));
}

void drawAddOne(QPainter& p) {
    signLines(p, {16});
    plusBadge(p);
}

void drawAddTwo(QPainter& p) {
    signLines(p, {7, 8});
    plusBadge(p);
}

void drawAddThree(QPainter& p) {
    signLines(p, {4, 5, 5});
    plusBadge(p);
}

void drawAddTitle(QPainter& p) {
    signLines(p, {5, 10});
    pen(p, Qt::white, 1.2);
    p.drawLine(QPointF(8, 8), QPointF(20, 8));
    plusBadge(p);
}

void drawPreview(QPainter& p) {
    pen(p, kInk);
    p.setBrush(QColor(20, 20, 20));
    p.drawRoundedRect(QRectF(2, 6, 28, 20), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawPolygon(QPolygonF({QPointF(12, 10), QPointF(22, 16), QPointF(12, 22)}));
}

void drawClock(QPainter& p) {
    pen(p, kInk, 1.8);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 16), 12, 12);
    pen(p, kBlue, 2.2);
    p.drawLine(QPointF(16, 16), QPointF(16, 8));
    p.drawLine(QPointF(16, 16), QPointF(22, 19));
}

void drawPort(QPainter& p) {
    pen(p, kInk);
    p.setBrush(QColor(170, 170, 175));
    p.drawPolygon(QPolygonF({QPointF(3, 9), QPointF(29, 9), QPointF(25, 23), QPointF(7, 23)}));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(8 + i * 4, 13), 1.3, 1.3);
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(10 + i * 4, 19), 1.3, 1.3);
}

void drawIp(QPainter& p) {
    pen(p, kBlue, 1.6);
    p.setBrush(QColor(220, 232, 248));
    p.drawEllipse(QPointF(16, 16), 12, 12);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 5, 12);
    p.drawLine(QPointF(4, 16), QPointF(28, 16));
    p.drawLine(QPointF(6, 10), QPointF(26, 10));
    p.drawLine(QPointF(6, 22), QPointF(26, 22));
}

using Painter = void (*)(QPainter&);

// In the order of ToolIcon.
constexpr std::array<Painter, 16> kPainters = {
    drawOpen,   drawSave,   drawSaveAs,   drawNew,      drawSignSize, drawCut,   drawPaste, drawDelete,
    drawAddOne, drawAddTwo, drawAddThree, drawAddTitle, drawPreview,  drawClock, drawPort,  drawIp,
};

}  // namespace

QIcon toolIcon(ToolIcon icon) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    kPainters[static_cast<size_t>(icon)](p);
    p.end();
    return QIcon(pixmap);
}

}  // namespace orb
