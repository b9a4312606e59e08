// The grid fast path settles most samples of ribbonBands, glowDots and
// topography with rough calls. Each rough value must stay within the bound
// its margin rests on, and the grid's colours must not depend on which
// samples took the exact path: widening the margins sends ever more of them
// there, across every rounding edge, and the colours stay the same.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "render/cell_color.hpp"
#include "render/cell_highlights.hpp"
#include "render/shape_field_formulas.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr NotchShape roughShapes[] = {NotchShape::ribbonBands, NotchShape::glowDots, NotchShape::topography};

// Calls `call` with one of the rough shapes as a compile-time constant.
template <class Call>
auto withRoughShape(NotchShape shape, Call&& call) {
    using std::integral_constant;
    if (shape == NotchShape::ribbonBands) return call(integral_constant<NotchShape, NotchShape::ribbonBands>{});
    if (shape == NotchShape::glowDots) return call(integral_constant<NotchShape, NotchShape::glowDots>{});
    return call(integral_constant<NotchShape, NotchShape::topography>{});
}

class Designs {
public:
    explicit Designs(std::uint64_t seed) : random_(seed) {}

    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random_); }

    // Mostly editor values; every fourth design goes far beyond the sliders.
    WallpaperExportSettings next(NotchShape shape) {
        const bool wild = random_() % 4 == 0;
        WallpaperExportSettings s;
        s.shape = shape;
        s.seed = random_();
        s.angle = wild ? uniform(-1e4, 1e4) : uniform(0, 360);
        s.spread = wild ? uniform(0, 3000) : uniform(0, 300);
        s.centerX = wild ? uniform(-400, 500) : uniform(0, 100);
        s.centerY = wild ? uniform(-400, 500) : uniform(0, 100);
        s.phase = wild ? uniform(-1e4, 1e4) : uniform(0, 360);
        s.frequencyX = wild ? uniform(-10, 100) : uniform(1, 8);
        s.frequencyY = wild ? uniform(-10, 100) : uniform(1, 6);
        s.quantization = wild ? uniform(1, 500) : uniform(2, 8);
        s.warp = random_() % 2 ? uniform(wild ? -50 : 0, wild ? 300 : 100) : 0;
        s.mirror = random_() % 2;
        s.invert = random_() % 2;
        s.okLab = random_() % 2;
        s.dither = DitherMode(random_() % 6);
        s.chroma = random_() % 4 ? uniform(0, 20) : 0;
        s.hue = random_() % 3 ? 0 : uniform(-180, 180);
        s.noise = random_() % 3 ? 0 : uniform(0, 100);
        s.scanlines = random_() % 2;
        s.vignette = random_() % 2;
        s.channel = StyleChannel(random_() % 4);
        const std::size_t colours = random_() % 7;
        for (std::size_t i = 0; i < colours; ++i)
            s.colors.push_back({std::uint8_t(random_()), std::uint8_t(random_()), std::uint8_t(random_())});
        return s;
    }

private:
    std::mt19937_64 random_;
};

template <NotchShape S>
void checkRoughTones(const WallpaperExportSettings& s, Designs& points, int& settled, int& tried) {
    const ShapeField field(s);
    if (!field.roughStepsUsable()) return;
    for (int i = 0; i < 400; ++i) {
        // The sampling points of a grid: chroma reaches 0.08 beyond the edges.
        const double x = points.uniform(-0.08, 1.08);
        const double y = points.uniform(0, 1);
        const double exact = field.steplessToneOf<S>(x, y);
        double rough = -1;
        if (field.roughSteplessToneOf<S>(x, y, rough))
            ASSERT_LE(std::abs(rough - exact), field.roughSteplessError())
                << rawValue(S) << " at " << x << "," << y;
        double step = -1;
        ++tried;
        if (field.roughStepOf<S>(x, y, step)) {
            ++settled;
            ASSERT_EQ(step, field.stepOf(exact)) << rawValue(S) << " at " << x << "," << y;
        }
    }
}

TEST(RoughCellSamples, RoughTonesStayWithinTheirBound) {
    Designs designs(201);
    for (NotchShape shape : roughShapes) {
        int settled = 0, tried = 0;
        for (int design = 0; design < 300; ++design) {
            const WallpaperExportSettings s = designs.next(shape);
            withRoughShape(shape, [&](auto S) {
                checkRoughTones<decltype(S)::value>(s, designs, settled, tried);
            });
        }
        // The rough path carries nearly all samples, or it would save nothing.
        ASSERT_GT(tried, 50000);
        EXPECT_GT(settled, tried * 0.999) << rawValue(shape);
    }
}

TEST(RoughCellSamples, FieldsOutsideTheBoundsEvaluateExactly) {
    WallpaperExportSettings s;
    s.shape = NotchShape::ribbonBands;
    EXPECT_TRUE(ShapeField(s).roughStepsUsable());
    EXPECT_FALSE(ShapeField(s, 1e300).roughStepsUsable());  // a margin past a half step
    s.spread = 1e300;
    EXPECT_FALSE(ShapeField(s).roughStepsUsable());
    s.spread = 140;
    s.phase = std::nan("");
    EXPECT_FALSE(ShapeField(s).roughStepsUsable());
    s.phase = 0;
    s.quantization = 1e15;
    EXPECT_FALSE(ShapeField(s).roughStepsUsable());
    s.quantization = 6;
    s.shape = NotchShape::glowDots;
    EXPECT_TRUE(ShapeField(s).roughStepsUsable());
    s.spread = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(ShapeField(s).roughStepsUsable());
    s.spread = 140;
    s.shape = NotchShape::topography;
    EXPECT_TRUE(ShapeField(s).roughStepsUsable());
    s.frequencyX = 1e300;
    EXPECT_FALSE(ShapeField(s).roughStepsUsable());
    s.shape = NotchShape::linear;
    s.frequencyX = 4;
    EXPECT_FALSE(ShapeField(s).roughStepsUsable());

    // A point outside the range the bounds cover declines.
    s.shape = NotchShape::topography;
    double tone = -1;
    EXPECT_TRUE(ShapeField(s).roughSteplessToneOf<NotchShape::topography>(0.3, 0.7, tone));
    EXPECT_FALSE(ShapeField(s).roughSteplessToneOf<NotchShape::topography>(4, 0.7, tone));
    EXPECT_FALSE(ShapeField(s).roughSteplessToneOf<NotchShape::topography>(std::nan(""), 0.7, tone));
}

// Every channel value a highlight can produce, rough against exact.
TEST(RoughCellSamples, RoughHighlightsStayWithinTheirBound) {
    Designs designs(202);
    int glowSettled = 0, ribbonSettled = 0, tried = 0;
    for (int design = 0; design < 200; ++design) {
        const WallpaperExportSettings s = designs.next(NotchShape::glowDots);
        const detail::GlowHighlight glow(s);
        const detail::RibbonPhase ribbon(s);
        for (int i = 0; i < 200; ++i) {
            const double x = designs.uniform(-0.08, 1.08);
            const double y = designs.uniform(0, 1);
            ++tried;

            fieldmath::RoughCalls calls;
            const double roughK = fieldmath::clampUnit(0.28 * glow.value(x, y, calls));
            const double exactK = fieldmath::clampUnit(0.28 * glow(x, y));
            if (calls.valid && glow.sharpness <= 1e100) {
                for (int c = 0; c < 256; ++c)
                    ASSERT_LE(std::abs((roughK * 255 + (1 - roughK) * c) - (exactK * 255 + (1 - exactK) * c)),
                              detail::highlightBounds::glowChannel);
            }
            const RGB colour{std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(3 * i)};
            RGB settled;
            if (detail::roughGlowHighlighted(glow, colour, detail::allChannels, x, y,
                                             4 * detail::highlightBounds::glowChannel, settled)) {
                ++glowSettled;
                ASSERT_EQ(settled, detail::glowHighlighted(glow, colour, x, y));
            }

            const double phase = ribbon(x, y);
            detail::RibbonTerms rough;
            const detail::RibbonTerms exact = detail::ribbonTerms(phase);
            if (detail::roughRibbonTerms(phase, rough)) {
                for (int c = 0; c < 256; ++c) {
                    const double k = rough.lighten, e = exact.lighten;
                    ASSERT_LE(std::abs((k * 255 + (1 - k) * c) - (e * 255 + (1 - e) * c)),
                              detail::highlightBounds::ribbonMix);
                    ASSERT_LE(std::abs(c * rough.darken - c * exact.darken),
                              detail::highlightBounds::ribbonDarkening);
                }
            }
            if (detail::roughRibbonHighlighted(colour, detail::allChannels, phase,
                                               4 * detail::highlightBounds::ribbonChannel, settled)) {
                ++ribbonSettled;
                ASSERT_EQ(settled, detail::ribbonHighlighted(colour, phase));
            }
        }
    }
    EXPECT_GT(glowSettled, tried * 0.9);
    EXPECT_GT(ribbonSettled, tried * 0.9);
}

// With chroma a sample settles only the channel its cell takes from it.
TEST(RoughCellSamples, ChromaSamplesSettleTheirOwnChannel) {
    WallpaperExportSettings s;
    s.shape = NotchShape::glowDots;
    const detail::GlowHighlight glow(s);
    const RGB colour{10, 120, 240};
    const RGB exact = detail::glowHighlighted(glow, colour, 0.41, 0.37);
    for (int channel = 0; channel < 3; ++channel) {
        RGB settled{1, 2, 3};
        ASSERT_TRUE(detail::roughGlowHighlighted(glow, colour, channel, 0.41, 0.37, 1e-9, settled));
        const std::uint8_t got[] = {settled.red, settled.green, settled.blue};
        const std::uint8_t want[] = {exact.red, exact.green, exact.blue};
        const std::uint8_t base[] = {colour.red, colour.green, colour.blue};
        for (int other = 0; other < 3; ++other)
            EXPECT_EQ(got[other], other == channel ? want[other] : base[other]);
    }
}

// The share of samples whose tone step and highlight settle roughly at a
// margin `scale` times the proven one.
template <NotchShape S>
std::pair<double, double> roughShares(const WallpaperExportSettings& s, double scale, Designs& points) {
    const ShapeField field(s, scale);
    const detail::GlowHighlight glow(s);
    const detail::RibbonPhase ribbon(s);
    const double glowMargin = 4 * scale * detail::highlightBounds::glowChannel;
    const double ribbonMargin = 4 * scale * detail::highlightBounds::ribbonChannel;
    int steps = 0, highlights = 0;
    for (int i = 0; i < 1000; ++i) {
        const double x = points.uniform(0, 1), y = points.uniform(0, 1);
        double step;
        steps += field.roughStepsUsable() && field.roughStepOf<S>(x, y, step);
        RGB out;
        const RGB colour{std::uint8_t(i), std::uint8_t(7 * i), std::uint8_t(255 - i)};
        if constexpr (S == NotchShape::glowDots)
            highlights += detail::roughGlowHighlighted(glow, colour, detail::allChannels, x, y, glowMargin, out);
        if constexpr (S == NotchShape::ribbonBands)
            highlights += detail::roughRibbonHighlighted(colour, detail::allChannels, ribbon(x, y), ribbonMargin, out);
    }
    return {steps / 1000.0, highlights / 1000.0};
}

// Rows of a grid at several margin widths: from the proven margins, where
// nearly every sample is rough, to margins past half a step, where none is.
// In between, samples on either side of every rounding edge go either way.
TEST(RoughCellSamples, GridColoursDoNotDependOnWhichSamplesAreRough) {
    constexpr double scales[] = {1, 1e3, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 3e10, 1e11, 3e11, 1e12};
    Designs designs(203);
    for (NotchShape shape : roughShapes) {
        bool mixedSteps = false, mixedHighlights = shape == NotchShape::topography;
        for (int design = 0; design < 24; ++design) {
            const WallpaperExportSettings s = designs.next(shape);
            const CellGrid grid = cellGrid(s, 1920, 1080);
            const std::int64_t first = design % 5, end = std::min<std::int64_t>(grid.rows, first + 16);
            const auto colours = [&](double scale) {
                std::vector<RGB> out(std::size_t((end - first) * grid.columns));
                const CellFinish finish = design % 2 ? CellFinish::raster : CellFinish::live;
                CellColorer(s, scale).fillRows(grid, first, end, out, finish);
                return out;
            };
            const std::vector<RGB> exact = colours(1e300);
            for (double scale : scales) {
                const std::vector<RGB> mixed = colours(scale);
                for (std::size_t i = 0; i < exact.size(); ++i)
                    ASSERT_EQ(mixed[i], exact[i])
                        << rawValue(shape) << " design " << design << " scale " << scale << " cell " << i;
                const auto shares = withRoughShape(shape, [&](auto S) {
                    return roughShares<decltype(S)::value>(s, scale, designs);
                });
                mixedSteps = mixedSteps || (shares.first > 0.2 && shares.first < 0.8);
                mixedHighlights = mixedHighlights || (shares.second > 0.2 && shares.second < 0.8);
            }
        }
        EXPECT_TRUE(mixedSteps) << rawValue(shape);
        EXPECT_TRUE(mixedHighlights) << rawValue(shape);
    }
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
