#pragma once
// A bitmap phrase between the window and the core: the rich text of a QTextDocument as the core's
// RichText and back, and its rendering into a picture as wide as its widest line and as high as
// the rendered text, white-on-nothing parts black.
#include <QImage>
#include <QTextDocument>

#include "content/RgbImage.h"
#include "content/RichText.h"

namespace orb {

RichText richTextOf(const QTextDocument& doc);
void fillDocument(QTextDocument& doc, const RichText& text);

// Text without a colour of its own renders red, as the edit shows it; the picture is at least
// 1 x 1 and at most 5000 x 3000 pixels.
QImage RenderPhrase(const QTextDocument& doc);

RgbImage toRgbImage(const QImage& image);
QImage toQImage(const RgbImage& image);

}  // namespace orb
