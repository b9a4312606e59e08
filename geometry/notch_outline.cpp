#include "geometry/notch_outline.hpp"

#include <algorithm>
#include <cmath>

namespace glimora {

namespace {

struct Crossing {
    double x;
    int direction;
};

// Where a quadratic curve (p0, c, p1) crosses the horizontal line at y, with
// the direction it passes in: +1 downward, -1 upward. Each piece between the
// curve's turning points counts y in [lower, upper), so a path that passes
// through a vertex is counted once.
void quadCrossings(OutlinePoint p0, OutlinePoint c, OutlinePoint p1, double y, std::vector<Crossing>& out) {
    const double a = p0.y - 2 * c.y + p1.y;
    const double b = 2 * (c.y - p0.y);
    const auto at = [&](double t) {
        const double u = 1 - t;
        return OutlinePoint{u * u * p0.x + 2 * u * t * c.x + t * t * p1.x, u * u * p0.y + 2 * u * t * c.y + t * t * p1.y};
    };
    double cuts[3] = {0, 1, 1};
    int pieces = 1;
    if (a != 0) {
        const double turn = -b / (2 * a);
        if (turn > 0 && turn < 1) {
            cuts[1] = turn;
            pieces = 2;
        }
    }
    for (int piece = 0; piece < pieces; ++piece) {
        const double t0 = cuts[piece], t1 = cuts[piece + 1];
        const double y0 = at(t0).y, y1 = at(t1).y;
        if (y0 == y1) continue;
        if (y < std::min(y0, y1) || y >= std::max(y0, y1)) continue;
        // Solve a t^2 + b t + (p0.y - y) = 0 within this monotone piece.
        double t;
        const double cc = p0.y - y;
        if (std::fabs(a) < 1e-12) {
            t = -cc / b;
        } else {
            const double root = std::sqrt(std::max(0.0, b * b - 4 * a * cc));
            const double first = (-b - root) / (2 * a), second = (-b + root) / (2 * a);
            const double low = std::min(t0, t1) - 1e-9, high = std::max(t0, t1) + 1e-9;
            t = first >= low && first <= high ? first : second;
        }
        t = std::clamp(t, std::min(t0, t1), std::max(t0, t1));
        out.push_back({at(t).x, y1 > y0 ? 1 : -1});
    }
}

std::vector<Crossing> crossings(const NotchOutline& outline, double y) {
    std::vector<Crossing> found;
    OutlinePoint from = outline.start;
    for (const auto& segment : outline.segments) {
        if (segment.curve) {
            quadCrossings(from, segment.control, segment.end, y, found);
        } else if (from.y != segment.end.y && y >= std::min(from.y, segment.end.y) &&
                   y < std::max(from.y, segment.end.y)) {
            const double t = (y - from.y) / (segment.end.y - from.y);
            found.push_back({from.x + t * (segment.end.x - from.x), segment.end.y > from.y ? 1 : -1});
        }
        from = segment.end;
    }
    // A crossing at no finite place (an outline of infinite or NaN size) would
    // leave the row's other crossings unbalanced: such a row has none.
    if (std::any_of(found.begin(), found.end(), [](const Crossing& crossing) { return !std::isfinite(crossing.x); }))
        found.clear();
    return found;
}

OutlinePoint transformed(OutlinePoint p, NotchPlacement placement, double width, double height) {
    switch (placement) {
    case NotchPlacement::top: return p;
    case NotchPlacement::bottom: return {p.x, height - p.y};
    case NotchPlacement::left: return {p.y, p.x};
    case NotchPlacement::right: return {width - p.y, p.x};
    }
    return p;
}

}  // namespace

NotchOutline topNotchOutline(double width, double height, double attachedCornerRadius, double innerCornerRadius) {
    const double a = std::min({attachedCornerRadius, width / 4, height / 4});
    const double b = std::min({innerCornerRadius, width / 4, height / 2});
    const double minX = 0, minY = 0, maxX = width, maxY = height;
    NotchOutline outline;
    outline.start = {minX, minY};
    outline.segments = {
        {true, {minX + a, minY}, {minX + a, minY + a}},
        {false, {}, {minX + a, maxY - b}},
        {true, {minX + a, maxY}, {minX + a + b, maxY}},
        {false, {}, {maxX - a - b, maxY}},
        {true, {maxX - a, maxY}, {maxX - a, maxY - b}},
        {false, {}, {maxX - a, minY + a}},
        {true, {maxX - a, minY}, {maxX, minY}},
        {false, {}, {minX, minY}},
    };
    return outline;
}

NotchOutline notchOutline(NotchPlacement placement, double width, double height, double attachedCornerRadius,
                          double innerCornerRadius) {
    const bool side = placement == NotchPlacement::left || placement == NotchPlacement::right;
    NotchOutline outline = side ? topNotchOutline(height, width, attachedCornerRadius, innerCornerRadius)
                                : topNotchOutline(width, height, attachedCornerRadius, innerCornerRadius);
    outline.start = transformed(outline.start, placement, width, height);
    for (auto& segment : outline.segments) {
        segment.control = transformed(segment.control, placement, width, height);
        segment.end = transformed(segment.end, placement, width, height);
    }
    return outline;
}

NotchOutline NotchOutline::scaled(double factor) const {
    const auto times = [factor](OutlinePoint p) { return OutlinePoint{p.x * factor, p.y * factor}; };
    NotchOutline result{times(start), segments};
    for (auto& segment : result.segments) {
        segment.control = times(segment.control);
        segment.end = times(segment.end);
    }
    return result;
}

bool NotchOutline::contains(OutlinePoint point) const {
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return false;
    int winding = 0;
    for (const Crossing& crossing : crossings(*this, point.y))
        if (crossing.x > point.x) winding += crossing.direction;
    return winding != 0;
}

std::vector<PixelRect> NotchOutline::pixelRectangles(int width, int height) const {
    std::vector<PixelRect> rectangles;
    std::vector<std::pair<int, int>> previous, spans;
    std::size_t bandStart = 0;  // first rectangle of the rows that share `previous`
    for (int row = 0; row < height; ++row) {
        auto found = crossings(*this, row + 0.5);
        std::sort(found.begin(), found.end(), [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
        // A pixel is inside when the crossings right of its centre wind
        // non-zero, as contains() counts them.
        spans.clear();
        int suffix = 0;
        for (const Crossing& crossing : found) suffix += crossing.direction;
        // Clamped before it becomes an int: a crossing may lie far outside.
        const auto column = [width](double x) { return int(std::clamp(std::ceil(x - 0.5), 0.0, double(width))); };
        for (std::size_t k = 0; k + 1 < found.size(); ++k) {
            suffix -= found[k].direction;
            if (suffix == 0) continue;
            const int from = column(found[k].x);
            const int to = column(found[k + 1].x);
            if (from >= to) continue;
            if (!spans.empty() && spans.back().second == from)
                spans.back().second = to;
            else
                spans.emplace_back(from, to);
        }
        if (row > 0 && spans == previous) {
            for (std::size_t i = bandStart; i < rectangles.size(); ++i) ++rectangles[i].height;
            continue;
        }
        bandStart = rectangles.size();
        for (const auto& [from, to] : spans) rectangles.push_back({from, row, to - from, 1});
        previous = spans;
    }
    return rectangles;
}

}  // namespace glimora
