// The panel's one push button, custom painted in one of four looks:
//   icon       label white 85 % pressed / 42 %, radius 7 behind it at white 12 % / 0.1 %
//              (the faint normal fill keeps the whole square clickable);
//   primary    10-px semibold, black label, at least 32 high, radius 8, white 78 % / 94 %;
//   secondary  10-px medium, label white 90 % / 55 %, at least 32 high, radius 8, white 13 % / 8 %;
//   plain      no background of its own (an optional fill set by the caller), white label.
// Pressed is QAbstractButton::isDown(); only opacities change, nothing animates.
// Assistive tools see a push button named by its accessible name (else its
// text); a tab button or an option chip says so and whether it is the chosen one.
//
// Use:
//   auto* close = new NotchButton(NotchButton::Look::icon, [&] { model.setExpanded(false); });
//   close->setSymbol("xmark", 11, FontWeight::semibold);
//   close->setLabelColor(whiteOpacity(0.42));   // the label's own colour wins over the look's
//   close->setFixedSize(28, 28); close->setToolTip("Close");
// A label may be a leading symbol, a text and a trailing symbol pushed to the
// right edge, as after a spacer with the spacing on both of its sides (set
// the alignment to AlignLeft for a row stretched to the full width). For
// richer labels give the button a layout of child widgets that are
// transparent for mouse events; the button still paints its background.
#pragma once

#include <QAbstractButton>

#include <functional>
#include <optional>

#include "controls/accessibility.hpp"
#include "controls/panel_style.hpp"

namespace glimora {

class NotchButton : public QAbstractButton, public AccessibleControl {
    Q_OBJECT

public:
    enum class Look { plain, icon, primary, secondary };

    explicit NotchButton(Look look, std::function<void()> action = {}, QWidget* parent = nullptr);

    Look look() const { return look_; }
    void setAction(std::function<void()> action) { action_ = std::move(action); }

    // An empty name removes the symbol.
    void setSymbol(const QString& name, double pixelSize, FontWeight weight);
    // The text ends at least spacing + spacerLength + spacing before it.
    void setTrailingSymbol(const QString& name, double pixelSize, FontWeight weight, double spacerLength = 0);
    const QString& symbol() const { return symbol_.name; }
    // The text's font; each look has its own default.
    void setTextFont(const QFont& font);
    // A colour for the label in both states, in place of the look's own.
    void setLabelColor(std::optional<QColor> color);
    // A background for the plain look (a selected tab, a chip).
    void setFill(std::optional<QColor> color, double cornerRadius);
    void setContentAlignment(Qt::Alignment alignment);
    void setSpacing(double spacing);
    void setHorizontalPadding(double padding);
    // The text shrinks down to this share of its size before it is elided.
    void setMinimumTextScale(double scale);

    // QAccessible::Button by default; PageTab or RadioButton for a tab or a chip.
    void setAccessibleRole(QAccessible::Role role) { role_ = role; }
    // Whether the tab is the selected one, the chip the chosen one.
    void setAccessibleOn(bool on);
    QAccessible::Role accessibleRole() const override { return role_; }
    bool accessibleOn() const override { return on_; }

    // What is painted now, for the current pressed state.
    QColor labelColor() const;
    // The text and its font as drawn at the current width.
    FittedText fittedText() const;
    std::optional<QColor> backgroundColor() const;
    double cornerRadius() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct SymbolLook {
        QString name;
        double pixelSize = 0;
        FontWeight weight = FontWeight::regular;
    };

    double symbolWidth(const SymbolLook& symbol) const;
    // From the end of the text to the trailing symbol, at least.
    double trailingGap() const;

    Look look_;
    std::function<void()> action_;
    SymbolLook symbol_;
    SymbolLook trailing_;
    double trailingSpacer_ = 0;
    QFont textFont_;
    std::optional<QColor> labelColor_;
    std::optional<QColor> fill_;
    double fillRadius_ = 0;
    Qt::Alignment alignment_ = Qt::AlignCenter;
    double spacing_ = 6;
    double padding_ = 0;
    double minimumTextScale_ = 1;
    QAccessible::Role role_ = QAccessible::Button;
    bool on_ = false;
};

// An icon-look button as the panel's headers and rails have them: a symbol,
// the help text as tooltip and accessible name, a fixed size.
NotchButton* makeIconButton(const QString& symbol, double pixelSize, FontWeight weight, const QString& help,
                            QSize size, std::function<void()> action, QWidget* parent = nullptr);

// A tab button of the open panel: white 92 % on a radius-8 fill of white 9 %
// when selected, else `unselectedOpacity` on nothing; a page tab to
// assistive tools, selected or not.
void showTabSelected(NotchButton& button, bool selected, double unselectedOpacity);

}  // namespace glimora
