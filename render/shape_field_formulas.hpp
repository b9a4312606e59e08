// The per-shape formulas of ShapeField, as a template so that a renderer
// looping over many cells of one shape gets them inlined without a branch.
#pragma once

#include <cmath>

#include "render/field_math.hpp"
#include "render/rough_math.hpp"
#include "render/shape_field.hpp"

namespace glimora::WallpaperRenderer {

template <NotchShape S, class Calls>
inline double ShapeField::rawToneOf(double x, double y, Calls& calls) const {
    using fieldmath::cell;
    using fieldmath::fract;
    using fieldmath::pi;
    // Rotation about the image centre; the centre then shifts the pattern.
    const double u = (x - 0.5) * cosA_ - (y - 0.5) * sinA_ + 0.5;
    const double v = (x - 0.5) * sinA_ + (y - 0.5) * cosA_ + 0.5;
    const double dx = u - cx_;
    const double dy = v - cy_;
    calls.require(std::abs(dx) <= 2 && std::abs(dy) <= 2);
    const double p = p_;
    if constexpr (S == NotchShape::linear) {
        return 0.72 * dx + 0.28 * dy + 0.5;
    } else if constexpr (S == NotchShape::radial) {
        return calls.hypot(dx, dy) / k1_;
    } else if constexpr (S == NotchShape::smoothGradient) {
        const double d = calls.hypot(u - k1_, v - k2_);
        return 0.42 * (0.68 * dx + 0.32 * dy) + 0.78 * calls.exp(-d / k3_) + 0.46;
    } else if constexpr (S == NotchShape::ribbonBands) {
        return 0.5 - 0.5 * calls.cos(p + k1_ * (dy + k2_ * calls.sin(p + 2 * pi * dx * k3_)));
    } else if constexpr (S == NotchShape::glowDots) {
        const double a = std::abs(cell(dx * k1_));
        const double b = std::abs(cell(dy * k2_));
        return 0.62 * calls.exp(-calls.hypot(1.1 * dx, 0.82 * dy) / k3_) +
               0.88 * calls.exp(-k4_ * calls.hypot(a, b));
    } else if constexpr (S == NotchShape::conic) {
        return (std::atan2(dy, dx) + p + pi) / (2 * pi);
    } else if constexpr (S == NotchShape::sine) {
        return 0.5 + 0.5 * calls.sin(p + k1_ * (dx * fx_ + dy * fy_));
    } else if constexpr (S == NotchShape::sunsetStrip) {
        const double a = cell(dx * k1_);
        const double b = cell(dy * k2_);
        return 0.5 - 0.5 * calls.cos(p + k3_ * calls.hypot(0.82 * a, 1.55 * b));
    } else if constexpr (S == NotchShape::diamond) {
        return 0.5 - 0.5 * calls.cos(p + k1_ * (std::abs(dx) + std::abs(dy)));
    } else if constexpr (S == NotchShape::fractal) {
        return fractalTone(dx, dy);
    } else if constexpr (S == NotchShape::tree) {
        return treeTone(v, dx);
    } else if constexpr (S == NotchShape::landscape) {
        return landscapeTone(v, dx);
    } else if constexpr (S == NotchShape::petals) {
        const double r = calls.hypot(dx, dy);
        const double th = std::atan2(dy, dx);
        return 0.5 + 0.5 * calls.cos(k2_ * r - 2.8 * (0.5 + 0.5 * calls.cos(p + k1_ * th)));
    } else if constexpr (S == NotchShape::crystal) {
        const double a = std::abs(cell(dx * k1_));
        const double b = std::abs(cell(dy * k2_));
        return 0.5 - 0.5 * calls.cos(p + k3_ * (a + b + 0.7 * std::abs(a - b)));
    } else if constexpr (S == NotchShape::spiral) {
        const double r = calls.hypot(dx, dy);
        const double th = std::atan2(dy, dx);
        return 0.5 + 0.5 * calls.sin(p + th * k1_ + k2_ * r);
    } else if constexpr (S == NotchShape::kaleidoscope) {
        const double r = calls.hypot(dx, dy);
        const double th = std::atan2(dy, dx);
        const double w = std::abs(fract(k1_ * th / (2 * pi) + 0.5) - 0.5);
        return 0.5 + 0.5 * calls.cos(p + k2_ * r + k3_ * w);
    } else if constexpr (S == NotchShape::topography) {
        const double a = pi * dx * k1_;
        const double b = pi * dy * k2_;
        const double w = calls.sin(a + 1.6 * calls.sin(p + b)) + 0.45 * calls.sin(0.62 * (a + b) - k4_);
        return 0.5 + 0.5 * calls.cos(p + k3_ * w);
    } else if constexpr (S == NotchShape::orbit) {
        const double r2 = calls.hypot(1.25 * dx, 0.72 * dy);
        const double th = std::atan2(dy, dx);
        return 0.5 + 0.5 * calls.cos(p + k1_ * r2 + k2_ * calls.sin(k3_ * th - k4_));
    }
}

template <NotchShape S>
inline double ShapeField::steplessToneOf(double x, double y) const {
    fieldmath::ExactCalls calls;
    double t = fieldmath::clampUnit(rawToneOf<S>(x, y, calls));
    if (mirror_) t = std::abs(2 * t - 1);
    if (invert_) t = 1 - t;
    return t;
}

template <NotchShape S>
inline bool ShapeField::roughSteplessToneOf(double x, double y, double& tone) const {
    static_assert(hasRoughSteps(S));
    fieldmath::RoughCalls calls;
    double t = fieldmath::clampUnit(rawToneOf<S>(x, y, calls));
    if (!calls.valid) return false;
    if (mirror_) t = std::abs(2 * t - 1);
    if (invert_) t = 1 - t;
    tone = t;
    return true;
}

template <NotchShape S>
inline bool ShapeField::roughStepOf(double x, double y, double& step) const {
    double t;
    return roughSteplessToneOf<S>(x, y, t) &&
           fieldmath::certainRound(t * stepDivisor_, roughStepMargin_, step);
}

}  // namespace glimora::WallpaperRenderer
