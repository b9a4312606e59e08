// A rectangle of the panel's geometry in screen coordinates with the origin
// at the top left and y growing downward, as X11 and Qt count them.
#pragma once

namespace glimora {

struct PanelRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }

    friend bool operator==(const PanelRect&, const PanelRect&) = default;
};

// Whole pixels for a window: each edge is rounded on its own, so an edge
// that stays put while the other moves never jitters by a pixel. Width and
// height are at least 1.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 1;
    int height = 1;

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

PixelRect wholePixels(const PanelRect& rect);

}  // namespace glimora
