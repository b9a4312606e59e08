#include "render/shape_field.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/field_math.hpp"
#include "render/rough_math.hpp"
#include "render/shape_field_formulas.hpp"

namespace glimora::WallpaperRenderer {

using fieldmath::cell;
using fieldmath::clampUnit;
using fieldmath::fract;
using fieldmath::pi;
using std::max;
using std::min;

std::int64_t toneStepCount(double quantization) {
    // The editor's slider runs 2...8; only values no slider can make are
    // pulled onto it, so a recipe's 14 still gives 14 steps.
    double count = quantization;
    if (std::isnan(count)) count = 2;
    else if (count == std::numeric_limits<double>::infinity()) count = 8;
    else if (count == -std::numeric_limits<double>::infinity()) count = 2;
    return max<std::int64_t>(2, fieldmath::clampedInt64(std::round(count)));
}

ShapeField::ShapeField(const WallpaperExportSettings& settings, double roughMarginScale)
    : shape_(settings.shape) {
    const double a = settings.angle * pi / 180;
    cosA_ = std::cos(a);
    sinA_ = std::sin(a);
    const double R = settings.spread;
    const double S = max(10.0, R);
    const double s = S / 180;
    cx_ = clampUnit(settings.centerX / 100);
    cy_ = clampUnit(settings.centerY / 100);
    p_ = settings.phase * pi / 180;
    fx_ = settings.frequencyX;
    fy_ = settings.frequencyY;
    mirror_ = settings.mirror;
    invert_ = settings.invert;
    okLab_ = settings.okLab;
    stepDivisor_ = double(toneStepCount(settings.quantization) - 1);
    // A warp that is not a number bends nothing.
    const double warp = std::isnan(settings.warp) ? 0 : settings.warp;

    switch (shape_) {
    case NotchShape::linear:
    case NotchShape::conic:
        break;
    case NotchShape::radial:
        k1_ = max(0.18, 0.62 * s);
        break;
    case NotchShape::smoothGradient:
        k1_ = clampUnit(cx_ + 0.18 * std::cos(p_));
        k2_ = clampUnit(cy_ + 0.18 * std::sin(p_));
        k3_ = max(0.15, s / 180);
        break;
    case NotchShape::ribbonBands:
        k1_ = 2 * pi * max(2.0, s / 22);
        k2_ = min(warp, 100.0) / 1000 + 0.08;
        k3_ = max(1.0, fx_);
        break;
    case NotchShape::glowDots:
        k1_ = max(3.0, 2.2 * fx_);
        k2_ = max(2.0, 2 * fy_);
        k3_ = max(0.14, s / 240);
        k4_ = max(18.0, R / 4);
        break;
    case NotchShape::sine:
        k1_ = max(0.15, 1.8 * s) * pi;
        break;
    case NotchShape::sunsetStrip:
        k1_ = max(2.0, 1.25 * fx_);
        k2_ = max(2.0, 2 * fy_);
        k3_ = 2 * pi * max(1.0, R / 28);
        break;
    case NotchShape::diamond:
        k1_ = 2 * pi * max(1.0, R / 22);
        break;
    case NotchShape::fractal: {
        const double zoom = R / 45 < 1 ? 3.5 : max(0.35, 3.5 / (R / 45));
        k1_ = max(0.55, fx_ / 4) * zoom;
        k2_ = max(0.55, fy_ / 3) * zoom;
        k3_ = 0.32 * std::cos(p_) - 0.18;
        k4_ = 0.32 * std::sin(p_) + 0.08;
        break;
    }
    case NotchShape::tree: {
        const double width = R / 300 <= 0.15 ? 0.0147 : 0.012 + 0.018 * min(1.0, R / 300);
        k1_ = width;
        k2_ = 0.35 * (cy_ - 0.5);
        k3_ = 1.4 * pi * max(2.0, fx_);
        for (int i = 1; i <= 8; ++i) {
            const double f = double(i) / 9;
            branches_[std::size_t(i - 1)] = {0.7 * f + 0.12, 0.9 + 0.55 * f,
                                             max(0.004, width * (1.35 - 0.35 * f))};
        }
        break;
    }
    case NotchShape::landscape:
        k1_ = 0.58 + 0.28 * (0.5 - cy_);
        k2_ = max(1.0, 0.65 * fx_);
        k3_ = max(1.0, 0.8 * fy_);
        k4_ = 0.4 * p_;
        k5_ = 0.7 * p_;
        k6_ = k1_ + 0.16;
        break;
    case NotchShape::petals:
        k1_ = max(3.0, std::round(fx_));
        k2_ = 2 * pi * max(3.0, R / 14);
        break;
    case NotchShape::crystal:
        k1_ = max(2.0, 1.25 * fx_);
        k2_ = max(2.0, 1.75 * fy_);
        k3_ = 8 * pi * max(1.0, R / 24);
        break;
    case NotchShape::spiral:
        k1_ = max(1.5, 0.85 * fx_);
        k2_ = 4 * pi * max(2.0, R / 16);
        break;
    case NotchShape::kaleidoscope:
        k1_ = max(3.0, std::round(fx_ + 2));
        k2_ = 8 * pi * max(2.0, R / 18);
        k3_ = 6 * pi * (1.2 + 0.12 * fy_);
        break;
    case NotchShape::topography:
        k1_ = max(2.0, fx_);
        k2_ = max(1.5, fy_);
        k3_ = pi * max(2.0, R / 22);
        k4_ = 0.7 * p_;
        break;
    case NotchShape::orbit:
        k1_ = 8 * pi * max(2.0, R / 18);
        k2_ = 1.2 + 0.2 * fy_;
        k3_ = max(2.0, fx_);
        k4_ = 1.2 * p_;
        break;
    }
    setRoughStepMargin(roughMarginScale);
}

// Bounds on |raw tone with rough calls - raw tone with the library's|, for
// points with |dx|, |dy| <= 2 (the rough formulas check that). The two
// evaluations share every operation before the first rough call; after it,
// each operation adds the difference of its inputs times its slope, plus one
// rounding per evaluation (u times the operation's magnitude). Over-estimated
// throughout, then the margin takes four times the bound.
void ShapeField::setRoughStepMargin(double scale) {
    using fieldmath::roughAtan2Error;
    using fieldmath::roughTrigError;
    constexpr double u = fieldmath::unitRoundoff;
    constexpr double eH = fieldmath::roughHypotError;
    const double absP = std::abs(p_);
    double rawError = std::numeric_limits<double>::infinity();
    switch (shape_) {
    case NotchShape::ribbonBands: {
        // cos(p + k1 (dy + k2 sin(...))): the sine's error reaches the cosine
        // times k1 |k2|; magnitudes are at most |p| + k1 (2 + |k2|).
        const double k2 = std::abs(k2_);
        rawError = (1 + k1_ * k2) * roughTrigError + 8 * u * (1 + absP + k1_ * (2 + k2));
        break;
    }
    case NotchShape::glowDots:
        // Each term exp(-X) with X = hypot(...) x c (c = 1 / k3 <= 7.2 or k4):
        // the hypot's relative error moves it by at most 0.37 times that
        // error, as X e^-X <= 1/e; plus exp's own error and the absolute
        // 1e-150 x c of a hypot below the normal range.
        if (k4_ <= 1e100) {
            const double term = fieldmath::roughExpError + 4 * u +
                                0.4 * (fieldmath::roughHypotError + 2 * u) + 1e-50;
            rawError = 1.5 * term + 6 * u;
        }
        break;
    case NotchShape::topography:
        // cos(p + k3 w), w = sin(a + 1.6 sin(p + b)) + 0.45 sin(...) with
        // |a| <= 2 pi k1: w errs by at most 3.1 trig errors.
        rawError = (1 + 4 * k3_) * roughTrigError + 8 * u * (1 + absP + k3_ * (4 + 2 * pi * k1_));
        break;
    // The vector lanes' rough formulas (shape_field_lanes.cpp). There the
    // rough calls also include atan2 (roughAtan2Error); hypot(dx, dy) with
    // |dx|, |dy| <= 2 is below 3, so it errs by at most 3 eH + 1e-150. An
    // error in a trigonometric call's argument passes through with slope 1,
    // so each bound is the trig error plus the argument's error times the
    // constants that multiply it; the sums of magnitudes cover the roundings.
    case NotchShape::radial:
        // hypot / k1, with k1 >= 0.18.
        rawError = (3 * eH + 1e-150 + 8 * u * 3) / k1_;
        break;
    case NotchShape::conic:
        // ((atan2 + p) + pi) / (2 pi): the division only shrinks the error.
        rawError = roughAtan2Error + 8 * u * (1 + 2 * pi + absP);
        break;
    case NotchShape::sine:
    case NotchShape::diamond:
    case NotchShape::crystal:
        // 0.5 -+ 0.5 trig(argument), the argument worked out exactly.
        rawError = roughTrigError + 8 * u;
        break;
    case NotchShape::sunsetStrip:
        // cos(p + k3 hypot(0.82 a, 1.55 b)), |a|, |b| <= 0.5: the hypot is
        // below 1.
        rawError = roughTrigError + std::abs(k3_) * (eH + 1e-150) + 8 * u * (1 + absP + 2 * std::abs(k3_));
        break;
    case NotchShape::petals: {
        // cos(k2 r - 2.8 (0.5 + 0.5 cos(p + k1 th))): the inner cosine errs
        // by eT + k1 eA and passes on 2.8 times half of it, rounded twice.
        const double k1 = std::abs(k1_), k2 = std::abs(k2_);
        rawError = roughTrigError + 2.8 * (roughTrigError + k1 * roughAtan2Error) + k2 * (3 * eH + 1e-150) +
                   8 * u * (2 + 3 * k2 + 3 * (1 + absP + 2 * pi * k1));
        break;
    }
    case NotchShape::spiral: {
        // sin((p + th k1) + k2 r).
        const double k1 = std::abs(k1_), k2 = std::abs(k2_);
        rawError = roughTrigError + k1 * roughAtan2Error + k2 * (3 * eH + 1e-150) +
                   8 * u * (1 + absP + 2 * pi * k1 + 3 * k2);
        break;
    }
    case NotchShape::kaleidoscope: {
        // cos((p + k2 r) + k3 w), w = |fract(k1 th / (2 pi) + 0.5) - 0.5|:
        // w is the distance to the nearest half-integer, so it moves no more
        // than its argument, k1 eA / (2 pi), across the jumps of fract too;
        // fract and the subtraction round by under 1.5 u in each evaluation.
        const double k1 = std::abs(k1_), k2 = std::abs(k2_), k3 = std::abs(k3_);
        rawError = roughTrigError + k3 * k1 * roughAtan2Error / (2 * pi) + k2 * (3 * eH + 1e-150) +
                   8 * u * (1 + absP + 3 * k2 + k3 * (1 + k1));
        break;
    }
    case NotchShape::orbit: {
        // cos((p + k1 r2) + k2 sin(k3 th - k4)), r2 = hypot(1.25 dx, 0.72 dy)
        // below 3: the sine's argument errs by k3 eA plus its roundings, all
        // of which k2 multiplies.
        const double k1 = std::abs(k1_), k2 = std::abs(k2_), k3 = std::abs(k3_), k4 = std::abs(k4_);
        rawError = roughTrigError + k1 * (3 * eH + 1e-150) + k2 * (roughTrigError + k3 * roughAtan2Error) +
                   8 * u * (1 + absP + 3 * k1 + k2 * (1 + 2 * pi * k3 + k4));
        break;
    }
    case NotchShape::tree:
        // 0.12 + 0.9 m (0.78 + 0.22 sin(...)), m the largest of products of
        // at most two exponentials of arguments worked out exactly, each
        // product in 0...1: max passes on the largest error, at most two
        // relative exp errors, their rounding and 1e-307 each below e^-708.
        // The sine's argument is exact.
        rawError = roughTrigError + 2 * fieldmath::roughExpError + 16 * u + 1e-300;
        break;
    default:
        break;
    }
    // Mirror doubles the error, mirror and invert round once each, and the
    // product with the divisor rounds once in each evaluation.
    roughSteplessError_ = 2 * rawError + 4 * u;
    const double widening = scale > 1 ? scale : 1;  // a narrower margin would not be safe
    const double margin = 4 * widening * stepDivisor_ * (roughSteplessError_ + 2 * u);
    roughStepMargin_ = margin < 0.5 ? margin : 1;  // also when not a number
}

double ShapeField::rawTone(double x, double y) const {
    fieldmath::ExactCalls calls;
    switch (shape_) {
    case NotchShape::linear: return rawToneOf<NotchShape::linear>(x, y, calls);
    case NotchShape::radial: return rawToneOf<NotchShape::radial>(x, y, calls);
    case NotchShape::smoothGradient: return rawToneOf<NotchShape::smoothGradient>(x, y, calls);
    case NotchShape::ribbonBands: return rawToneOf<NotchShape::ribbonBands>(x, y, calls);
    case NotchShape::glowDots: return rawToneOf<NotchShape::glowDots>(x, y, calls);
    case NotchShape::conic: return rawToneOf<NotchShape::conic>(x, y, calls);
    case NotchShape::sine: return rawToneOf<NotchShape::sine>(x, y, calls);
    case NotchShape::sunsetStrip: return rawToneOf<NotchShape::sunsetStrip>(x, y, calls);
    case NotchShape::diamond: return rawToneOf<NotchShape::diamond>(x, y, calls);
    case NotchShape::fractal: return rawToneOf<NotchShape::fractal>(x, y, calls);
    case NotchShape::tree: return rawToneOf<NotchShape::tree>(x, y, calls);
    case NotchShape::landscape: return rawToneOf<NotchShape::landscape>(x, y, calls);
    case NotchShape::petals: return rawToneOf<NotchShape::petals>(x, y, calls);
    case NotchShape::crystal: return rawToneOf<NotchShape::crystal>(x, y, calls);
    case NotchShape::spiral: return rawToneOf<NotchShape::spiral>(x, y, calls);
    case NotchShape::kaleidoscope: return rawToneOf<NotchShape::kaleidoscope>(x, y, calls);
    case NotchShape::topography: return rawToneOf<NotchShape::topography>(x, y, calls);
    case NotchShape::orbit: return rawToneOf<NotchShape::orbit>(x, y, calls);
    }
    return 0;
}

double ShapeField::fractalTone(double dx, double dy) const {
    double re = k1_ * dx;
    double im = k2_ * dy;
    int n = 0;
    while (n < 14) {
        const double nextRe = re * re - im * im + k3_;
        const double nextIm = 2 * re * im + k4_;
        re = nextRe;
        im = nextIm;
        if (!(re * re + im * im <= 4)) break;  // escaped, or no longer a number
        ++n;
    }
    return double(n) / 14;
}

double ShapeField::treeTone(double v, double dx) const {
    const double h = (1 - v) + k2_;
    const double adx = std::abs(dx);
    double m = std::exp(-adx / k1_) * clampUnit(h);
    for (const BranchLevel& level : branches_) {
        if (h < level.start) continue;
        const double reach = min(0.42, level.growth * (h - level.start));
        const double branch = std::exp(-std::abs(adx - reach) / level.width) * std::exp(-1.7 * (h - level.start));
        m = max(m, branch);
    }
    return 0.12 + 0.9 * m * (0.78 + 0.22 * std::sin(p_ + k3_ * (dx + h)));
}

double ShapeField::landscapeTone(double v, double dx) const {
    const double h0 = k1_;
    const double a = pi * dx * k2_;
    const double b = pi * dx * k3_;
    const double upper = h0 - 0.18 * std::abs(std::sin(p_ + a)) - 0.06 * std::abs(std::sin(2.3 * a - k4_));
    if (v < upper) return 0.12 + 0.18 * v + 0.05 * std::abs(std::sin(a));
    const double lower = k6_ - 0.13 * std::abs(std::sin(k5_ + b));
    if (v < lower) {
        const double depth = lower - upper < 0.05 ? 0.05 : lower - upper;
        return 0.35 + 0.25 * clampUnit((v - upper) / depth);
    }
    if (v >= lower) {
        const double depth = 1 - lower < 0.05 ? 0.05 : 1 - lower;
        return 0.68 + 0.22 * clampUnit((v - lower) / depth);
    }
    return std::numeric_limits<double>::quiet_NaN();  // the tail turns it into 0
}

double ShapeField::steplessTone(double x, double y) const {
    double t = clampUnit(rawTone(x, y));
    if (mirror_) t = std::abs(2 * t - 1);
    if (invert_) t = 1 - t;
    return t;
}

double ShapeField::toneOfStep(double step) const {
    double t = step / stepDivisor_;
    if (okLab_) t = std::pow(t, 0.88);
    return clampUnit(t);
}

double shapeField(const WallpaperExportSettings& settings, double x, double y) {
    return ShapeField(settings)(x, y);
}

}  // namespace glimora::WallpaperRenderer
