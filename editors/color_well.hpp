// A colour well: a small square filled with a colour that opens the shared
// colour dialog on it. The well holds no colour of its own; its owner hands
// it the read and write of the value it edits and repaints it in place.
#pragma once

#include <QAbstractButton>

#include <functional>
#include <optional>

#include "model/palette.hpp"

namespace glimora {

class ColorWell : public QAbstractButton {
    Q_OBJECT

public:
    using Read = std::function<std::optional<Color>()>;
    using Write = std::function<void(const Color&)>;

    // `title` names the well for the dialog and for accessibility.
    ColorWell(const QString& title, Read read, Write write, QWidget* parent = nullptr);
    ~ColorWell() override;

    // The colour shown; follows the value after a change made elsewhere.
    void setColor(const Color& color);
    Color color() const { return color_; }

    // Opens the shared dialog on this well's value.
    void openDialog();

    QSize sizeHint() const override { return {28, 28}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    Read read_;
    Write write_;
    Color color_;
};

}  // namespace glimora
