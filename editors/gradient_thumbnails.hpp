// The tiles of the gradients tab: small imitations of the smooth gradient and
// of each grain-gradient look, drawn with plain gradients in the current
// palette (the wallpaper renderer is far too slow for a tile).
#pragma once

#include <QWidget>

#include <vector>

#include "model/design_options.hpp"
#include "model/palette.hpp"

namespace glimora {

// The colours a tile draws with: the palette when it has two colours or more,
// else black, blue and white; the accent is the last, the second colour the
// one at index 1.
struct ThumbnailColors {
    explicit ThumbnailColors(const std::vector<Color>& palette);
    std::vector<Color> colors;
    Color accent;
    Color second;
};

// The tile's frame and selection stroke; subclasses draw the content.
class GradientThumbnail : public QWidget {
    Q_OBJECT

public:
    explicit GradientThumbnail(QWidget* parent = nullptr);

    void setPaletteColors(const std::vector<Color>& palette);
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    const ThumbnailColors& colors() const { return colors_; }

    static constexpr int tileHeight = 48;

protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void drawContent(QPainter& painter, const QSizeF& size) const = 0;

private:
    ThumbnailColors colors_{{}};
    bool selected_ = false;
};

class SmoothGradientThumbnail : public GradientThumbnail {
    Q_OBJECT

public:
    explicit SmoothGradientThumbnail(QWidget* parent = nullptr) : GradientThumbnail(parent) {}

protected:
    void drawContent(QPainter& painter, const QSizeF& size) const override;
};

class GrainGradientThumbnail : public GradientThumbnail {
    Q_OBJECT

public:
    explicit GrainGradientThumbnail(GrainGradientMode mode, QWidget* parent = nullptr)
        : GradientThumbnail(parent), mode_(mode) {}
    GrainGradientMode mode() const { return mode_; }

protected:
    void drawContent(QPainter& painter, const QSizeF& size) const override;

private:
    GrainGradientMode mode_;
};

}  // namespace glimora
