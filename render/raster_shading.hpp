// What the bitmap drawings share: the radial darkening of the vignettes and
// the checks and banding of a target.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/pixel_kernels.hpp"
#include "render/wallpaper_renderer.hpp"

namespace glimora::WallpaperRenderer::detail {

// Black laid over the image along a radial gradient centred at the integer
// halves of the size: clear out to `clearTo` of the way from r0 to r1, then
// linearly up to `alpha` at r1, and nothing beyond r1 (the gradient is not
// extended). Evaluated at pixel centres.
class RadialShade {
public:
    RadialShade(std::int64_t width, std::int64_t height, double r0, double r1, double clearTo, double alpha)
        : width_(width),
          cx_(double(width / 2)),
          cy_(double(height / 2)),
          clear_(r0 + clearTo * (r1 - r0)),
          outer_(r1),
          slope_(r1 > r0 + clearTo * (r1 - r0) ? alpha / (r1 - (r0 + clearTo * (r1 - r0))) : 0) {}

    // The factors 1 - alpha of row y into factors[0...width-1]; false (and
    // nothing written) when the shade leaves the whole row alone.
    bool rowFactors(std::int64_t y, float* factors) const {
        const double dy = double(y) + 0.5 - cy_;
        if (!(slope_ > 0) || std::abs(dy) >= outer_) return false;
        // Pixels nearer the centre than the clear radius are untouched: only
        // the parts of the row outside that circle need their distances.
        std::int64_t skipBegin = 0, skipEnd = 0;
        if (std::abs(dy) < clear_) {
            const double half = std::sqrt(clear_ * clear_ - dy * dy);
            // A pixel whose centre lies a hair inside the circle is computed
            // anyway; the kernel leaves it at 1 all the same.
            skipBegin = std::int64_t(std::clamp(std::ceil(cx_ - half - 0.5) + 1, 0.0, double(width_)));
            skipEnd = std::int64_t(std::clamp(std::floor(cx_ + half - 0.5) - 1, 0.0, double(width_)));
            skipEnd = std::max(skipEnd, skipBegin);
        }
        const auto run = [&](std::int64_t begin, std::int64_t end) {
            kernels::radialFactors(factors, begin, end, float(cx_), float(dy), float(clear_), float(outer_),
                                   float(slope_));
        };
        run(0, skipBegin);
        std::fill(factors + skipBegin, factors + skipEnd, 1.0f);
        run(skipEnd, width_);
        return true;
    }

private:
    std::int64_t width_;
    double cx_, cy_;
    double clear_, outer_, slope_;
};

// Throws bitmapUnavailable for rows shorter than the width or a target too
// large to address.
void checkTarget(const RGBATarget& target);

// How many bands of rows to split `rows` into for `threadCount` threads.
int bandCount(std::int64_t rows, int threadCount, int bandsPerThread);

}  // namespace glimora::WallpaperRenderer::detail
