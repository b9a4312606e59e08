// The eighteen shape designs as scalar fields: a point of the wallpaper in
// unit coordinates (origin top left, y downward) maps to a tone in 0...1.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "render/field_math.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

// The field of one snapshot. Everything that does not depend on the point is
// worked out once here, so evaluating a grid of cells costs only the per-point
// formula; results are bit-identical to evaluating the formulas afresh.
class ShapeField {
public:
    // `roughMarginScale` widens the margin within which a rough tone step
    // defers to the exact evaluation (see roughStepOf); only tests raise it,
    // to send more points down the exact path.
    explicit ShapeField(const WallpaperExportSettings& settings, double roughMarginScale = 1);

    // The tone at (x, y), in 0...1.
    double operator()(double x, double y) const { return finishTone(steplessTone(x, y)); }

    // The tone before the tone steps: the raw tone clamped to 0...1 (a
    // non-number becomes 0), then mirrored and inverted.
    double steplessTone(double x, double y) const;

    // The same for a shape known at compile time, which must be this field's
    // shape; defined in shape_field_formulas.hpp for the renderers' loops.
    template <NotchShape S>
    double steplessToneOf(double x, double y) const;

    // The tone steps split into their two halves, so a caller can tabulate
    // what follows the step: stepOf gives the step index as an integral
    // double in 0...stepDivisor(), toneOfStep the final tone of a step.
    double stepOf(double steplessTone) const { return fieldmath::roundHalfAway(steplessTone * stepDivisor_); }
    double toneOfStep(double step) const;
    double finishTone(double steplessTone) const { return toneOfStep(stepOf(steplessTone)); }

    // The number of tone steps minus one.
    double stepDivisor() const { return stepDivisor_; }

    // The shapes whose tone step can be settled with the rough calls of
    // rough_math.hpp, and whether this field's constants allow it.
    static constexpr bool hasRoughSteps(NotchShape shape) {
        return shape == NotchShape::ribbonBands || shape == NotchShape::glowDots ||
               shape == NotchShape::topography;
    }
    // The shapes whose vector formula also comes with rough calls, so that
    // vectorTones settles most tone steps without the library's.
    static constexpr bool hasRoughVectorSteps(NotchShape shape) {
        switch (shape) {
        case NotchShape::radial:
        case NotchShape::ribbonBands:
        case NotchShape::glowDots:
        case NotchShape::conic:
        case NotchShape::sine:
        case NotchShape::sunsetStrip:
        case NotchShape::diamond:
        case NotchShape::petals:
        case NotchShape::crystal:
        case NotchShape::spiral:
        case NotchShape::kaleidoscope:
        case NotchShape::tree:
        case NotchShape::topography:
        case NotchShape::orbit: return true;
        default: return false;
        }
    }
    bool roughStepsUsable() const { return roughStepMargin_ < 0.5; }

    // steplessToneOf<S>(x, y) with rough calls, within roughSteplessError()
    // of the exact value; false when a rough call declines or the point lies
    // outside the range the bound covers. For shapes with hasRoughSteps only.
    template <NotchShape S>
    bool roughSteplessToneOf(double x, double y, double& tone) const;
    double roughSteplessError() const { return roughSteplessError_; }

    // stepOf(steplessToneOf<S>(x, y)) worked out with rough calls, when the
    // error bound proves that the exact tone rounds to the same step; false
    // (step untouched) when it may not, and the caller must evaluate exactly.
    template <NotchShape S>
    bool roughStepOf(double x, double y, double& step) const;

    // steplessTone(x[i], y[i]) for every i < count into out[i], or with
    // `quantize` its step (stepOf), four points at a time on the vector
    // units; bit for bit the scalar values. False, with `out` untouched, when
    // the units are absent or turned off (vector_units.hpp), or a step lies
    // past what the lanes round exactly.
    //
    // With `quantize`, for shapes with hasRoughVectorSteps whose constants
    // allow it (roughStepsUsable), the lanes first try rough calls and keep
    // a step only where certainRound proves the exact tone rounds the same.
    bool vectorTones(const double* x, const double* y, std::size_t count, double* out, bool quantize) const;

    // The stepless tones of the rough vector formula, for checks of its
    // bound: out[i] within roughSteplessError() of steplessTone(x[i], y[i])
    // wherever valid[i]. False, with nothing written, for shapes without
    // hasRoughVectorSteps or without the vector units.
    bool roughVectorTones(const double* x, const double* y, std::size_t count, double* out, bool* valid) const;

private:
    friend struct ShapeFieldLanes;

    double rawTone(double x, double y) const;
    // The formulas over either the library's calls or the rough ones.
    template <NotchShape S, class Calls>
    double rawToneOf(double x, double y, Calls& calls) const;
    double fractalTone(double dx, double dy) const;
    double treeTone(double v, double dx) const;
    double landscapeTone(double v, double dx) const;
    void setRoughStepMargin(double scale);

    NotchShape shape_;
    double cosA_, sinA_;
    double cx_, cy_;
    double p_, fx_, fy_;
    bool mirror_, invert_, okLab_;
    double stepDivisor_;
    // The bound on a rough stepless tone's error (infinite for the shapes
    // without rough steps or rough vector steps), and how far t x stepDivisor may lie from a
    // rounding edge before a rough evaluation leaves the step in doubt (0.5 or
    // more when never usable).
    double roughSteplessError_ = std::numeric_limits<double>::infinity();
    double roughStepMargin_ = 1;

    // Per-shape constants; which ones are set depends on the shape.
    double k1_ = 0, k2_ = 0, k3_ = 0, k4_ = 0, k5_ = 0, k6_ = 0;

    // tree: per branch level its start, growth and width.
    struct BranchLevel {
        double start, growth, width;
    };
    std::array<BranchLevel, 8> branches_{};
};

// Calls `call` with the shape as a compile-time constant
// (std::integral_constant), for loops specialised per shape.
template <class Call>
decltype(auto) withShape(NotchShape shape, Call&& call) {
    switch (shape) {
#define GLIMORA_SHAPE(name) \
    case NotchShape::name: return call(std::integral_constant<NotchShape, NotchShape::name>{});
        GLIMORA_SHAPE(linear) GLIMORA_SHAPE(radial) GLIMORA_SHAPE(smoothGradient) GLIMORA_SHAPE(ribbonBands)
        GLIMORA_SHAPE(glowDots) GLIMORA_SHAPE(conic) GLIMORA_SHAPE(sine) GLIMORA_SHAPE(sunsetStrip)
        GLIMORA_SHAPE(diamond) GLIMORA_SHAPE(fractal) GLIMORA_SHAPE(tree) GLIMORA_SHAPE(landscape)
        GLIMORA_SHAPE(petals) GLIMORA_SHAPE(crystal) GLIMORA_SHAPE(spiral) GLIMORA_SHAPE(kaleidoscope)
        GLIMORA_SHAPE(topography) GLIMORA_SHAPE(orbit)
#undef GLIMORA_SHAPE
    }
    return call(std::integral_constant<NotchShape, NotchShape::linear>{});
}

// The tone of `settings`' shape at (x, y), in 0...1. Prefer a ShapeField made
// once per render when evaluating many points.
double shapeField(const WallpaperExportSettings& settings, double x, double y);

// The tone-step count rounded from `quantization` and clamped for safe use as
// an integer: non-finite values take the nearest bound of the editor's slider
// (2...8; a non-number gives 2), finite values keep their meaning.
std::int64_t toneStepCount(double quantization);

}  // namespace glimora::WallpaperRenderer
