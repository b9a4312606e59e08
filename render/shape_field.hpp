// The eighteen shape designs as scalar fields: a point of the wallpaper in
// unit coordinates (origin top left, y downward) maps to a tone in 0...1.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "render/field_math.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

// The field of one snapshot. Everything that does not depend on the point is
// worked out once here, so evaluating a grid of cells costs only the per-point
// formula; results are bit-identical to evaluating the formulas afresh.
class ShapeField {
public:
    explicit ShapeField(const WallpaperExportSettings& settings);

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

private:
    double rawTone(double x, double y) const;
    template <NotchShape S>
    double rawToneOf(double x, double y) const;
    double fractalTone(double dx, double dy) const;
    double treeTone(double v, double dx) const;
    double landscapeTone(double v, double dx) const;

    NotchShape shape_;
    double cosA_, sinA_;
    double cx_, cy_;
    double p_, fx_, fy_;
    bool mirror_, invert_, okLab_;
    double stepDivisor_;

    // Per-shape constants; which ones are set depends on the shape.
    double k1_ = 0, k2_ = 0, k3_ = 0, k4_ = 0, k5_ = 0, k6_ = 0;

    // tree: per branch level its start, growth and width.
    struct BranchLevel {
        double start, growth, width;
    };
    std::array<BranchLevel, 8> branches_{};
};

// The tone of `settings`' shape at (x, y), in 0...1. Prefer a ShapeField made
// once per render when evaluating many points.
double shapeField(const WallpaperExportSettings& settings, double x, double y);

// The tone-step count rounded from `quantization` and clamped for safe use as
// an integer: non-finite values take the nearest bound of the editor's slider
// (2...8; a non-number gives 2), finite values keep their meaning.
std::int64_t toneStepCount(double quantization);

}  // namespace glimora::WallpaperRenderer
