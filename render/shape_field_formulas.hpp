// The per-shape formulas of ShapeField, as a template so that a renderer
// looping over many cells of one shape gets them inlined without a branch.
#pragma once

#include <cmath>

#include "render/field_math.hpp"
#include "render/shape_field.hpp"

namespace glimora::WallpaperRenderer {

template <NotchShape S>
inline double ShapeField::rawToneOf(double x, double y) const {
    using fieldmath::cell;
    using fieldmath::fract;
    using fieldmath::pi;
    // Rotation about the image centre; the centre then shifts the pattern.
    const double u = (x - 0.5) * cosA_ - (y - 0.5) * sinA_ + 0.5;
    const double v = (x - 0.5) * sinA_ + (y - 0.5) * cosA_ + 0.5;
    const double dx = u - cx_;
    const double dy = v - cy_;
    const double p = p_;
    if constexpr (S == NotchShape::linear) {
        return 0.72 * dx + 0.28 * dy + 0.5;
    } else if constexpr (S == NotchShape::radial) {
        return std::hypot(dx, dy) / k1_;
    } else if constexpr (S == NotchShape::smoothGradient) {
        const double d = std::hypot(u - k1_, v - k2_);
        return 0.42 * (0.68 * dx + 0.32 * dy) + 0.78 * std::exp(-d / k3_) + 0.46;
    } else if constexpr (S == NotchShape::ribbonBands) {
        return 0.5 - 0.5 * std::cos(p + k1_ * (dy + k2_ * std::sin(p + 2 * pi * dx * k3_)));
    } else if constexpr (S == NotchShape::glowDots) {
        const double a = std::abs(cell(dx * k1_));
        const double b = std::abs(cell(dy * k2_));
        return 0.62 * std::exp(-std::hypot(1.1 * dx, 0.82 * dy) / k3_) + 0.88 * std::exp(-k4_ * std::hypot(a, b));
    } else if constexpr (S == NotchShape::conic) {
        return (std::atan2(dy, dx) + p + pi) / (2 * pi);
    } else if constexpr (S == NotchShape::sine) {
        return 0.5 + 0.5 * std::sin(p + k1_ * (dx * fx_ + dy * fy_));
    } else if constexpr (S == NotchShape::sunsetStrip) {
        const double a = cell(dx * k1_);
        const double b = cell(dy * k2_);
        return 0.5 - 0.5 * std::cos(p + k3_ * std::hypot(0.82 * a, 1.55 * b));
    } else if constexpr (S == NotchShape::diamond) {
        return 0.5 - 0.5 * std::cos(p + k1_ * (std::abs(dx) + std::abs(dy)));
    } else if constexpr (S == NotchShape::fractal) {
        return fractalTone(dx, dy);
    } else if constexpr (S == NotchShape::tree) {
        return treeTone(v, dx);
    } else if constexpr (S == NotchShape::landscape) {
        return landscapeTone(v, dx);
    } else if constexpr (S == NotchShape::petals) {
        const double r = std::hypot(dx, dy);
        const double th = std::atan2(dy, dx);
        return 0.5 + 0.5 * std::cos(k2_ * r - 2.8 * (0.5 + 0.5 * std::cos(p + k1_ * th)));
    } else if constexpr (S == NotchShape::crystal) {
        const double a = std::abs(cell(dx * k1_));
        const double b = std::abs(cell(dy * k2_));
        return 0.5 - 0.5 * std::cos(p + k3_ * (a + b + 0.7 * std::abs(a - b)));
    } else if constexpr (S == NotchShape::spiral) {
        const double r = std::hypot(dx, dy);
        const double th = std::atan2(dy, dx);
        return 0.5 + 0.5 * std::sin(p + th * k1_ + k2_ * r);
    } else if constexpr (S == NotchShape::kaleidoscope) {
        const double r = std::hypot(dx, dy);
        const double th = std::atan2(dy, dx);
        const double w = std::abs(fract(k1_ * th / (2 * pi) + 0.5) - 0.5);
        return 0.5 + 0.5 * std::cos(p + k2_ * r + k3_ * w);
    } else if constexpr (S == NotchShape::topography) {
        const double a = pi * dx * k1_;
        const double b = pi * dy * k2_;
        const double w = std::sin(a + 1.6 * std::sin(p + b)) + 0.45 * std::sin(0.62 * (a + b) - k4_);
        return 0.5 + 0.5 * std::cos(p + k3_ * w);
    } else if constexpr (S == NotchShape::orbit) {
        const double r2 = std::hypot(1.25 * dx, 0.72 * dy);
        const double th = std::atan2(dy, dx);
        return 0.5 + 0.5 * std::cos(p + k1_ * r2 + k2_ * std::sin(k3_ * th - k4_));
    }
}

template <NotchShape S>
inline double ShapeField::steplessToneOf(double x, double y) const {
    double t = fieldmath::clampUnit(rawToneOf<S>(x, y));
    if (mirror_) t = std::abs(2 * t - 1);
    if (invert_) t = 1 - t;
    return t;
}

}  // namespace glimora::WallpaperRenderer
