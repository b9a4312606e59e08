// The outline of the notch panel: the black shape that grows out of the
// screen edge the panel is docked to. Built for the top edge and turned for
// the other three; also the panel's input shape, so its containment test and
// its pixel rectangles answer the same question the same way.
#pragma once

#include <vector>

#include "geometry/panel_rect.hpp"
#include "model/design_options.hpp"

namespace glimora {

struct OutlinePoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const OutlinePoint&, const OutlinePoint&) = default;
};

// One closed path of lines and quadratic curves, in the panel's own
// coordinates (origin at the top left, y downward).
struct NotchOutline {
    struct Segment {
        bool curve = false;     // a quadratic curve through `control`, else a line
        OutlinePoint control;  // unused by a line
        OutlinePoint end;
    };
    OutlinePoint start;
    std::vector<Segment> segments;  // the last one ends at `start`

    // Non-zero winding; points on the right or lower boundary count as outside.
    bool contains(OutlinePoint point) const;
    // The pixels whose centres lie inside, as rectangles (rows with the same
    // spans merged into one), within (0, 0, width, height).
    std::vector<PixelRect> pixelRectangles(int width, int height) const;
    // The same outline with every point multiplied by `factor`: the outline
    // in device pixels at that device-pixel ratio.
    NotchOutline scaled(double factor) const;
};

// The top-edge outline of a panel of this size: flared by a where it meets
// the edge, its two free corners rounded by b, with
// a = min(attached, w/4, h/4) and b = min(inner, w/4, h/2).
NotchOutline topNotchOutline(double width, double height, double attachedCornerRadius, double innerCornerRadius);

// The outline for a placement: the top outline, mirrored for the bottom and
// transposed for the sides, so the flare always lies on the docked edge.
NotchOutline notchOutline(NotchPlacement placement, double width, double height, double attachedCornerRadius,
                          double innerCornerRadius);

}  // namespace glimora
