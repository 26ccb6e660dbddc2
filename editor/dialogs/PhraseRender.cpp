#include "editor/dialogs/PhraseRender.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>

namespace orb {

namespace {

constexpr int kMaxWidth = 5000, kMaxHeight = 3000;

Rgb rgbOf(const QColor& c) {
    return {static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())};
}

RichFormat formatOf(const QTextCharFormat& f) {
    RichFormat r;
    const QStringList families = f.fontFamilies().toStringList();
    r.font = families.isEmpty() ? std::string() : families.first().toStdString();
    r.halfPoints = f.fontPointSize() > 0 ? static_cast<int>(std::lround(f.fontPointSize() * 2)) : 24;
    r.bold = f.fontWeight() >= QFont::Bold;
    r.italic = f.fontItalic();
    r.underline = f.fontUnderline();
    r.strikeOut = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush)) r.colour = rgbOf(f.foreground().color());
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        r.background = rgbOf(f.background().color());
    return r;
}

QTextCharFormat charFormatOf(const RichFormat& r) {
    QTextCharFormat f;
    if (!r.font.empty()) f.setFontFamilies({QString::fromStdString(r.font)});
    f.setFontPointSize(r.halfPoints / 2.0);
    f.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(r.italic);
    f.setFontUnderline(r.underline);
    f.setFontStrikeOut(r.strikeOut);
    if (r.colour) f.setForeground(QColor(r.colour->r, r.colour->g, r.colour->b));
    if (r.background) f.setBackground(QColor(r.background->r, r.background->g, r.background->b));
    return f;
}

}  // namespace

RichText richTextOf(const QTextDocument& doc) {
    RichText out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        out.newParagraph();
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().isValid())
                out.append(it.fragment().text().toStdString(), formatOf(it.fragment().charFormat()));
    }
    return out;
}

void fillDocument(QTextDocument& doc, const RichText& text) {
    doc.clear();
    QTextCursor cursor(&doc);
    for (size_t p = 0; p < text.paragraphs.size(); ++p) {
        if (p) cursor.insertBlock();
        for (const RichRun& r : text.paragraphs[p].runs)
            cursor.insertText(QString::fromStdString(r.text), charFormatOf(r.format));
    }
}

QImage RenderPhrase(const QTextDocument& source) {
    std::unique_ptr<QTextDocument> doc(source.clone());
    doc->setDocumentMargin(0);
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    doc->setDefaultTextOption(option);
    doc->setTextWidth(-1);
    // Asking for the size lays the document out.
    const qreal height = doc->documentLayout()->documentSize().height();
    qreal widest = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout* layout = b.layout();
        for (int i = 0; layout && i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            widest = std::max(widest, line.x() + line.naturalTextWidth());
        }
    }
    const int w = std::clamp(static_cast<int>(std::ceil(widest)), 1, kMaxWidth);
    const int h = std::clamp(static_cast<int>(std::ceil(height)), 1, kMaxHeight);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::red);
    context.clip = QRectF(0, 0, w, h);
    doc->documentLayout()->draw(&painter, context);
    return image;
}

RgbImage toRgbImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    RgbImage out(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* row = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x) out.at(x, y) = {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
    }
    return out;
}

QImage toQImage(const RgbImage& img) {
    QImage out(img.width, img.height, QImage::Format_RGB888);
    for (int y = 0; y < img.height; ++y) {
        uchar* row = out.scanLine(y);
        for (int x = 0; x < img.width; ++x) {
            const Rgb& c = img.at(x, y);
            row[3 * x] = c.r, row[3 * x + 1] = c.g, row[3 * x + 2] = c.b;
        }
    }
    return out;
}

}  // namespace orb
