// The vector lanes settle most tone steps of the trigonometric shapes with
// rough calls. Each rough tone must stay within the bound its margin rests
// on, and no step may differ from the exact one: not at random points, not
// right at the rounding edges (found by bisection, where only the margin
// keeps a rough value from rounding the other way), and not in whole grids
// whichever samples the margins send down the exact path.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/cell_color.hpp"
#include "render/rough_math.hpp"
#include "render/shape_field.hpp"
#include "render/vector_units.hpp"
#include "tests/render/random_designs.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

constexpr NotchShape roughVectorShapes[] = {NotchShape::radial,  NotchShape::conic,        NotchShape::sine,
                                            NotchShape::sunsetStrip, NotchShape::diamond, NotchShape::petals,
                                            NotchShape::crystal, NotchShape::spiral,       NotchShape::kaleidoscope,
                                            NotchShape::orbit,   NotchShape::tree,         NotchShape::topography,
                                            NotchShape::ribbonBands, NotchShape::glowDots};

struct VectorUnitsRestored {
    ~VectorUnitsRestored() { allowVectorUnits(true); }
};

// Design `index` of `shape`: the editor's ranges, extremes and non-numbers
// (randomDesign), and every third design far beyond the sliders.
WallpaperExportSettings design(std::mt19937_64& random, NotchShape shape, int index) {
    WallpaperExportSettings s = test::randomDesign(random, index, true);
    s.shape = shape;
    if (index % 3 == 0) {
        const auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
        s.spread = uniform(0, 3000);
        s.phase = uniform(-1e4, 1e4);
        s.angle = uniform(-1e4, 1e4);
        s.centerX = uniform(-300, 400);
        s.frequencyX = uniform(-10, 100);
        s.frequencyY = uniform(-10, 100);
    }
    // Steps as the colorer tabulates them: the case the lanes settle roughly.
    if (!(ShapeField(s).stepDivisor() < 4096)) s.quantization = 6;
    return s;
}

// Sampling points of a grid with chroma and warp, points far outside the
// unit square, and points that are not numbers.
void addPoints(std::mt19937_64& random, std::vector<double>& xs, std::vector<double>& ys, int count) {
    const auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    for (int i = 0; i < count; ++i) {
        const bool far = i % 10 == 0;
        xs.push_back(far ? uniform(-6, 6) : uniform(-0.08, 1.08));
        ys.push_back(far ? uniform(-6, 6) : uniform(0, 1));
    }
    for (double odd : {nan, inf, -inf, 1e300, -0.0, 0.5}) {
        xs.push_back(odd), ys.push_back(0.3);
        xs.push_back(0.6), ys.push_back(odd);
    }
}

TEST(RoughVectorSteps, RoughTonesStayWithinTheirBound) {
    if (!vectorUnitsPresent()) GTEST_SKIP() << "this processor has no AVX2";
    std::mt19937_64 random(301);
    for (NotchShape shape : roughVectorShapes) {
        long inRange = 0, validInRange = 0, usable = 0;
        for (int index = 0; index < 240; ++index) {
            const WallpaperExportSettings s = design(random, shape, index);
            const ShapeField field(s);
            std::vector<double> xs, ys;
            addPoints(random, xs, ys, 400);
            std::vector<double> rough(xs.size(), -1);
            std::vector<char> validStorage(xs.size());
            bool* valid = reinterpret_cast<bool*>(validStorage.data());
            ASSERT_TRUE(field.roughVectorTones(xs.data(), ys.data(), xs.size(), rough.data(), valid));
            if (!field.roughStepsUsable()) continue;
            ++usable;
            // Designs the editor can make keep their points within reach.
            const bool editor = index % 3 != 0 && s.centerX >= 0 && s.centerX <= 100 && s.centerY >= 0 &&
                                s.centerY <= 100 && s.spread <= 300 && std::abs(s.phase) <= 360 &&
                                std::abs(s.angle) <= 360 && std::abs(s.frequencyX) <= 100 &&
                                std::abs(s.frequencyY) <= 100;
            for (std::size_t i = 0; i < xs.size(); ++i) {
                const double exact = field.steplessTone(xs[i], ys[i]);
                const bool near = editor && xs[i] >= -0.08 && xs[i] <= 1.08 && ys[i] >= 0 && ys[i] <= 1;
                inRange += near;
                validInRange += near && valid[i];
                if (valid[i])
                    ASSERT_LE(std::abs(rough[i] - exact), field.roughSteplessError())
                        << rawValue(shape) << " design " << index << " at " << xs[i] << "," << ys[i];
            }
        }
        // Most designs allow the rough path, and it answers for nearly every
        // point of theirs that a grid can sample.
        EXPECT_GT(usable, 150) << rawValue(shape);
        ASSERT_GT(inRange, 10000);
        EXPECT_GT(validInRange, inRange * 0.999) << rawValue(shape);
    }
}

// Pairs of neighbouring doubles x on a row y between which the exact step
// changes: the points nearest a rounding edge that a grid could sample.
template <class Step>
void addEdges(const Step& step, double y, std::vector<double>& xs, std::vector<double>& ys) {
    constexpr int probes = 48;
    double previousX = -0.08;
    double previousStep = step(previousX, y);
    for (int k = 1; k <= probes; ++k) {
        const double x = -0.08 + 1.16 * k / probes;
        const double current = step(x, y);
        if (current != previousStep) {
            double lo = previousX, hi = x;
            const double loStep = previousStep;
            for (int i = 0; i < 80; ++i) {
                const double mid = lo + (hi - lo) / 2;
                if (mid <= lo || mid >= hi) break;
                (step(mid, y) == loStep ? lo : hi) = mid;
            }
            for (double edge : {std::nextafter(lo, -inf), lo, hi, std::nextafter(hi, inf)})
                xs.push_back(edge), ys.push_back(y);
        }
        previousX = x;
        previousStep = current;
    }
}

// The test found a mismatch when the margin was cut to nothing on purpose
// (the rough values then round the wrong way at some of these edges).
TEST(RoughVectorSteps, StepsAtTheRoundingEdgesEqualTheExactSteps) {
    if (!vectorUnitsPresent()) GTEST_SKIP() << "this processor has no AVX2";
    VectorUnitsRestored restore;
    allowVectorUnits(true);
    std::mt19937_64 random(302);
    for (NotchShape shape : roughVectorShapes) {
        std::size_t edges = 0;
        for (int index = 0; index < 60; ++index) {
            const WallpaperExportSettings s = design(random, shape, index);
            const ShapeField field(s);
            const auto exactStep = [&](double x, double y) { return field.stepOf(field.steplessTone(x, y)); };
            std::vector<double> xs, ys;
            for (int row = 0; row < 12; ++row)
                addEdges(exactStep, std::uniform_real_distribution<double>(0, 1)(random), xs, ys);
            addPoints(random, xs, ys, 50);
            edges += xs.size();
            std::vector<double> steps(xs.size(), -1);
            ASSERT_TRUE(field.vectorTones(xs.data(), ys.data(), xs.size(), steps.data(), true));
            for (std::size_t i = 0; i < xs.size(); ++i)
                ASSERT_EQ(steps[i], exactStep(xs[i], ys[i]))
                    << rawValue(shape) << " design " << index << " at " << xs[i] << "," << ys[i];
        }
        EXPECT_GT(edges, 2000u) << rawValue(shape);
    }
}

// Grids at several margin widths, from the proven one to past half a step,
// all equal the scalar path's colours; in between, samples on either side of
// every rounding edge take either path.
TEST(RoughVectorSteps, GridColoursDoNotDependOnWhichSamplesAreRough) {
    if (!vectorUnitsPresent()) GTEST_SKIP() << "this processor has no AVX2";
    VectorUnitsRestored restore;
    constexpr double scales[] = {1, 1e3, 1e6, 1e8, 1e9, 1e10, 3e10, 1e11, 1e12};
    std::mt19937_64 random(303);
    for (NotchShape shape : roughVectorShapes) {
        bool mixed = false;
        for (int index = 0; index < 12; ++index) {
            const WallpaperExportSettings s = design(random, shape, index + 1);
            const CellGrid grid = cellGrid(s, 1920, 1080);
            const std::int64_t first = index % 5, end = std::min<std::int64_t>(grid.rows, first + 12);
            const auto colours = [&](double scale, bool vector) {
                allowVectorUnits(vector);
                std::vector<RGB> out(std::size_t((end - first) * grid.columns));
                CellColorer(s, scale).fillRows(grid, first, end, out, index % 2 ? CellFinish::raster : CellFinish::live);
                return out;
            };
            const std::vector<RGB> scalar = colours(1, false);
            for (double scale : scales) {
                const std::vector<RGB> vector = colours(scale, true);
                for (std::size_t i = 0; i < scalar.size(); ++i)
                    ASSERT_EQ(vector[i], scalar[i])
                        << rawValue(shape) << " design " << index << " scale " << scale << " cell " << i;
                // The share of samples the rough path settles at this scale.
                const ShapeField field(s, scale);
                if (!field.roughStepsUsable()) continue;
                std::vector<double> xs, ys, rough;
                addPoints(random, xs, ys, 400);
                rough.resize(xs.size());
                std::vector<char> validStorage(xs.size());
                bool* valid = reinterpret_cast<bool*>(validStorage.data());
                field.roughVectorTones(xs.data(), ys.data(), xs.size(), rough.data(), valid);
                int settled = 0;
                for (std::size_t i = 0; i < xs.size(); ++i) {
                    double step;
                    settled += valid[i] && fieldmath::certainRound(rough[i] * field.stepDivisor(),
                                                                   4 * scale * field.stepDivisor() *
                                                                       (field.roughSteplessError() + 2.3e-16),
                                                                   step);
                }
                mixed = mixed || (settled > 0.2 * double(xs.size()) && settled < 0.8 * double(xs.size()));
            }
        }
        EXPECT_TRUE(mixed) << rawValue(shape);
    }
}

TEST(RoughVectorSteps, FieldsOutsideTheBoundsEvaluateExactly) {
    WallpaperExportSettings s;
    for (NotchShape shape : roughVectorShapes) {
        s = {};
        s.shape = shape;
        EXPECT_TRUE(ShapeField(s).roughStepsUsable()) << rawValue(shape);
        EXPECT_FALSE(ShapeField(s, 1e300).roughStepsUsable()) << rawValue(shape);
        s.quantization = 1e15;
        EXPECT_FALSE(ShapeField(s).roughStepsUsable()) << rawValue(shape);
    }
    s = {};
    for (NotchShape shape : {NotchShape::orbit, NotchShape::spiral, NotchShape::petals, NotchShape::sunsetStrip,
                             NotchShape::kaleidoscope}) {
        s.shape = shape;
        s.spread = 1e300;  // bounds scale with the rings' count
        EXPECT_FALSE(ShapeField(s).roughStepsUsable()) << rawValue(shape);
        s.spread = 140;
        s.frequencyY = nan;
        s.frequencyX = inf;
        const ShapeField odd(s);
        if (shape != NotchShape::sunsetStrip) EXPECT_FALSE(odd.roughStepsUsable()) << rawValue(shape);
        s.frequencyX = s.frequencyY = 4;
    }
    s.shape = NotchShape::linear;
    EXPECT_FALSE(ShapeField(s).roughStepsUsable());
    EXPECT_FALSE(ShapeField::hasRoughVectorSteps(NotchShape::fractal));
}

TEST(RoughVectorSteps, WithoutVectorUnitsNothingIsWritten) {
    VectorUnitsRestored restore;
    allowVectorUnits(false);
    WallpaperExportSettings s;
    s.shape = NotchShape::orbit;
    const double x[] = {0.1, 0.2, 0.3};
    double out[3] = {-1, -1, -1};
    bool valid[3] = {};
    EXPECT_FALSE(ShapeField(s).roughVectorTones(x, x, 3, out, valid));
    EXPECT_EQ(out[0], -1);
    allowVectorUnits(true);
    s.shape = NotchShape::fractal;
    EXPECT_FALSE(ShapeField(s).roughVectorTones(x, x, 3, out, valid));
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
