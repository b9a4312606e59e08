// The panel's symbols: small vector drawings of our own, keyed by the names
// the editors use ("shuffle", "xmark", "chevron.down", "pin.fill", the tab
// symbols, ...), drawn in one colour so each caller tints them per state.
// An unknown name draws nothing and is logged once per name.
//
// Use: `drawSymbol(painter, "xmark", rect, 11, FontWeight::semibold, whiteOpacity(0.42));`
//      or a `SymbolView` widget: `new SymbolView("photo", 11, FontWeight::semibold, color, parent)`.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <memory>
#include <string_view>
#include <vector>

#include "controls/panel_style.hpp"
#include "platform/logger.hpp"

class QPainter;

namespace glimora {

// The side of the square a symbol fills for a font of `pixelSize` pixels.
double symbolExtent(double pixelSize);

// Draws `name` centred in `box`, sized for a font of `pixelSize` pixels and
// stroked as heavy as `weight`. False, with nothing drawn, for an unknown name.
bool drawSymbol(QPainter& painter, std::string_view name, const QRectF& box, double pixelSize, FontWeight weight,
                const QColor& color);

bool hasSymbol(std::string_view name);
std::vector<std::string_view> symbolNames();

// Where unknown names are reported; the system log unless replaced (tests).
void setSymbolLogger(std::shared_ptr<Logger> logger);

// A symbol as a widget: its size hint is the symbol's square; it draws
// centred in whatever size it is given.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QString& name, double pixelSize, FontWeight weight, const QColor& color,
               QWidget* parent = nullptr);

    void setName(const QString& name);
    void setColor(const QColor& color);
    void setPixelSize(double pixelSize);
    const QString& name() const { return name_; }
    const QColor& color() const { return color_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    double pixelSize_;
    FontWeight weight_;
    QColor color_;
};

}  // namespace glimora
