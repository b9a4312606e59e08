// The panel's look in one place: fonts by pixel size, white at graded
// opacities on the near-black surface, the one accent colour, and the text
// fitting rule (shrink down to a factor, then elide).
//
// Use: `label->setFont(panelFont(10, FontWeight::semibold));`
//      `painter.setBrush(whitePercent(11));` `accentColor()` for pins and stars.
//      `fitText(font, text, width, 0.72)` gives the font and text to draw.
#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

class QPainter;

namespace glimora {

enum class FontWeight { light, regular, medium, semibold, bold };

// The desktop's sans-serif family at `pixelSize` device-independent pixels
// (there is no rounded system face here). Fractional sizes keep their
// fraction through a point size at the font's own resolution.
QFont panelFont(double pixelSize, FontWeight weight = FontWeight::regular);

// White at `percent` % opacity: alpha round(percent * 2.55).
QColor whitePercent(double percent);
// The same for an opacity given as a fraction (0.42 is 42 %).
QColor whiteOpacity(double fraction);
// Black at `percent` % opacity.
QColor blackPercent(double percent);
// The one coloured accent: sRGB (1.0, 0.8, 0.0).
QColor accentColor();

// Device pixels per point of what `painter` draws on: the screen's ratio for
// a widget's backing store, the image's for a widget rendered into one (1
// when the transform gives none). A control that paints through an image of
// its own makes it at this scale, so a scaled screen gets edges one device
// pixel sharp instead of a 1x picture blown up.
double devicePixelScale(const QPainter& painter);
// The device pixels that cover `size` points at `scale`.
QSize devicePixelSize(QSizeF size, double scale);

// A font and text that fit `width`: the font's size is lowered down to
// `minimumScale` of itself, and the text is elided only if it still does
// not fit at that size.
// A font's size in pixels, with the fraction a shrunk title keeps.
double pixelSizeOf(const QFont& font);

struct FittedText {
    QFont font;
    QString text;
};
FittedText fitText(const QFont& font, const QString& text, double width, double minimumScale);

}  // namespace glimora
