#include "render/disc_drawing.hpp"

#include <algorithm>
#include <cmath>

namespace glimora::WallpaperRenderer {

DiscRowCoverage::DiscRowCoverage(double cx, double cy, double radius, std::int64_t y) {
    for (int s = 0; s < subRows; ++s) {
        const double dy = double(y) + (s + 0.5) / subRows - cy;
        if (!(std::abs(dy) < radius)) continue;
        const double half = std::sqrt(radius * radius - dy * dy);
        left[count] = cx - half;
        right[count] = cx + half;
        ++count;
    }
    if (count == 0) return;
    minLeft = *std::min_element(left, left + count);
    maxLeft = *std::max_element(left, left + count);
    minRight = *std::min_element(right, right + count);
    maxRight = *std::max_element(right, right + count);
}

double DiscRowCoverage::coverage(std::int64_t x) const {
    const double start = double(x);
    const double end = start + 1;
    if (count == 0 || end <= minLeft || start >= maxRight) return 0;
    if (start >= maxLeft && end <= minRight) return double(count) / subRows;
    double sum = 0;
    for (int k = 0; k < count; ++k)
        sum += std::clamp(right[k] - start, 0.0, 1.0) - std::clamp(left[k] - start, 0.0, 1.0);
    return sum / subRows;
}

namespace {

std::uint8_t blend(double over, double under, double a) {
    const double value = std::clamp(over * a + under * (1 - a), 0.0, 255.0);
    return std::uint8_t(value + 0.5);
}

}  // namespace

double discCoverage(double cx, double cy, double radius, std::int64_t x, std::int64_t y) {
    return DiscRowCoverage(cx, cy, radius, y).coverage(x);
}

void blendDisc(const RGBATarget& target, std::int64_t top, std::int64_t bottom, double cx, double cy, double radius,
               RGB color, double alpha) {
    if (!(radius > 0) || !(alpha > 0) || !std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(radius)) return;
    top = std::max<std::int64_t>(top, 0);
    bottom = std::min(bottom, target.height);
    const auto first = std::max(top, std::int64_t(std::clamp(std::floor(cy - radius), double(top), double(bottom))));
    const auto end = std::min(bottom, std::int64_t(std::clamp(std::ceil(cy + radius), double(top), double(bottom))));
    const double a = std::min(alpha, 1.0);
    for (std::int64_t y = first; y < end; ++y) {
        const DiscRowCoverage chords(cx, cy, radius, y);
        if (chords.count == 0) continue;
        const auto from = std::int64_t(std::clamp(std::floor(chords.minLeft), 0.0, double(target.width)));
        const auto to = std::int64_t(std::clamp(std::ceil(chords.maxRight), 0.0, double(target.width)));
        std::uint8_t* row = target.data + y * target.stride;
        for (std::int64_t x = from; x < to; ++x) {
            const double covered = chords.coverage(x);
            if (covered <= 0) continue;
            std::uint8_t* p = row + 4 * x;
            const double k = a * covered;
            p[0] = blend(color.red, p[0], k);
            p[1] = blend(color.green, p[1], k);
            p[2] = blend(color.blue, p[2], k);
        }
    }
}

}  // namespace glimora::WallpaperRenderer
