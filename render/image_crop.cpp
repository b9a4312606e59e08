#include "render/image_crop.hpp"

#include <algorithm>
#include <cmath>

namespace glimora {

namespace {

// Values read back from files may be anything; a non-finite one falls back to
// the neutral crop instead of spreading NaN into every sample.
double finiteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

double clampUnit(double value) {
    if (value <= 0) return 0;
    if (value > 1) return 1;
    return value;
}

}  // namespace

ImageCrop::Point ImageCrop::sourcePoint(double x, double y, double imageWidth, double imageHeight,
                                        double targetAspect) const {
    x = finiteOr(x, 0);
    y = finiteOr(y, 0);
    const double imageAspect = imageWidth / imageHeight;
    double w = 1;
    double h = 1;
    // A degenerate photo or target has no meaningful window: use the whole photo.
    if (std::isfinite(imageAspect) && imageAspect > 0 && std::isfinite(targetAspect) && targetAspect > 0) {
        if (imageAspect > targetAspect) {
            w = targetAspect / imageAspect;
        } else {
            h = imageAspect / targetAspect;
        }
    }
    const double cx = clampUnit(finiteOr(centerX, 0.5));
    const double cy = clampUnit(finiteOr(centerY, 0.5));
    const double z = finiteOr(zoom, 1);
    if (z >= 1) {
        w = w / z;
        h = h / z;
    }
    w = std::min(w, 1.0);
    h = std::min(h, 1.0);
    return {w * x + cx * (1 - w), h * y + cy * (1 - h)};
}

}  // namespace glimora
