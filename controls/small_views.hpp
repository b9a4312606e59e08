// Two tiny painted views the controls share.
//   FittingLabel: one line of text in a panel font and colour that shrinks
//     down to `minimumScale` of its size before it ends in "…" (captions, tab
//     titles; with 1, any line that is cut). It is fitted to its width when
//     painted, so every relayout and resize shows the right cut.
//     `new FittingLabel("Reach", panelFont(10, FontWeight::semibold), whitePercent(72), 0.72)`
//   DotView: a filled circle, e.g. the 5-px placeholder of an unpinnable
//     slider: `new DotView(5, whitePercent(28))`.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include "controls/accessibility.hpp"

namespace glimora {

// A static text to assistive tools, named by its whole text.
class FittingLabel : public QWidget, public AccessibleControl {
    Q_OBJECT

public:
    FittingLabel(const QString& text, const QFont& font, const QColor& color, double minimumScale = 1,
                 QWidget* parent = nullptr);

    void setText(const QString& text);
    void setColor(const QColor& color);
    void setLabelFont(const QFont& font);
    void setAlignment(Qt::Alignment alignment);
    const QString& text() const { return text_; }
    const QColor& color() const { return color_; }
    // The text and font drawn at the current width.
    QString shownText() const;
    QFont shownFont() const;

    QAccessible::Role accessibleRole() const override { return QAccessible::StaticText; }
    QString accessibleText() const override { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QFont font_;
    QColor color_;
    double minimumScale_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

class DotView : public QWidget {
    Q_OBJECT

public:
    DotView(double diameter, const QColor& color, QWidget* parent = nullptr);
    void setColor(const QColor& color);
    const QColor& color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double diameter_;
    QColor color_;
};

}  // namespace glimora
