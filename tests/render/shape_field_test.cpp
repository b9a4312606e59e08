#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "render/shape_field.hpp"

namespace glimora::WallpaperRenderer {
namespace {

// An upright field centred on the image, without tone curve and with enough
// tone steps that a tone is kept to within 0.005.
WallpaperExportSettings plain(NotchShape shape) {
    WallpaperExportSettings settings;
    settings.shape = shape;
    settings.angle = 0;
    settings.okLab = false;
    settings.quantization = 101;
    return settings;
}

TEST(ShapeField, LinearCentreThroughTheTail) {
    WallpaperExportSettings settings = plain(NotchShape::linear);
    EXPECT_EQ(ShapeField(settings).steplessTone(0.5, 0.5), 0.5);
    settings.quantization = 6;
    EXPECT_EQ(shapeField(settings, 0.5, 0.5), 0.6);  // round(2.5) = 3, halves away from zero
    settings.okLab = true;
    EXPECT_EQ(shapeField(settings, 0.5, 0.5), 0.6379301088379224);
}

// Raw tones of every formula away from its clamps, worked out independently
// in double precision. The points are chosen so that each constant of a
// formula moves the tone, except floors that the design does not reach.
TEST(ShapeField, EveryFormulaAtWorkedPoints) {
    struct Case {
        double spread, frequencyX, frequencyY;
        NotchShape shape;
        double x, y, tone;
    };
    const Case cases[] = {
        {150, 3.3, 2.7, NotchShape::linear, 0.3, 0.25, 0.42067056359013005},
        {150, 3.3, 2.7, NotchShape::radial, 0.7, 0.8, 0.55652984109073156},
        {150, 3.3, 2.7, NotchShape::smoothGradient, 0.3, 0.25, 0.43770840904599118},
        {150, 3.3, 2.7, NotchShape::ribbonBands, 0.45, 0.55, 0.39182067059102993},
        {150, 3.3, 2.7, NotchShape::glowDots, 0.45, 0.55, 0.36150008971125347},
        {150, 3.3, 2.7, NotchShape::glowDots, 0.0, 0.675, 0.049890723241114453},  // near a dot
        {150, 3.3, 2.7, NotchShape::conic, 0.3, 0.25, 0.40857961966940809},
        {150, 3.3, 2.7, NotchShape::sine, 0.7, 0.8, 0.40609918772870363},
        {150, 3.3, 2.7, NotchShape::sunsetStrip, 0.45, 0.55, 0.21388645937864531},
        {150, 3.3, 2.7, NotchShape::diamond, 0.7, 0.8, 0.49893459543292967},
        {150, 3.3, 2.7, NotchShape::tree, 0.45, 0.55, 0.44011036107247908},
        {150, 3.3, 2.7, NotchShape::tree, 0.6, 0.0, 0.36891558196286733},  // high branch levels
        {150, 3.3, 2.7, NotchShape::tree, 0.0, 0.0, 0.12968408701819562},  // trunk's edge
        {150, 3.3, 2.7, NotchShape::landscape, 0.3, 0.25, 0.17012823893561319},  // sky
        {150, 3.3, 2.7, NotchShape::landscape, 0.45, 0.55, 0.49436062548694537},  // middle ground
        {150, 3.3, 2.7, NotchShape::landscape, 0.7, 0.8, 0.82603825913077966},  // ground
        {150, 3.3, 2.7, NotchShape::petals, 0.45, 0.55, 0.93854317264779641},
        {150, 3.3, 2.7, NotchShape::crystal, 0.7, 0.8, 0.51121221267564976},
        {150, 3.3, 2.7, NotchShape::spiral, 0.7, 0.8, 0.60550828061051554},
        {150, 3.3, 2.7, NotchShape::kaleidoscope, 0.45, 0.55, 0.45744619724537905},
        {150, 3.3, 2.7, NotchShape::topography, 0.52, 0.9, 0.53609767122693952},
        {150, 3.3, 2.7, NotchShape::orbit, 0.45, 0.55, 0.55584323897807542},
        // A spread large enough that the doubly divided widths pass their floors.
        {9000, 3.3, 2.7, NotchShape::smoothGradient, 0.3, 0.25, 0.52342613310035502},
        {9000, 3.3, 2.7, NotchShape::ribbonBands, 0.45, 0.55, 0.42398487249639427},
        {9000, 3.3, 2.7, NotchShape::glowDots, 0.45, 0.55, 0.43147269731803845},
        // The narrow trunk of small spreads.
        {30, 3.3, 2.7, NotchShape::tree, 0.6, 0.0, 0.302782060280674},
        {30, 3.3, 2.7, NotchShape::tree, 0.0, 0.0, 0.12177952638222019},
        // Escape after 9, 8 and 2 steps.
        {60, 6, 4, NotchShape::fractal, 0.25, 0.6, 9.0 / 14},
        {60, 6, 4, NotchShape::fractal, 0.425, 0.35, 8.0 / 14},
        {60, 6, 4, NotchShape::fractal, 0.2, 0.525, 2.0 / 14},
    };
    for (const Case& c : cases) {
        WallpaperExportSettings settings = plain(c.shape);
        settings.angle = 30;
        settings.spread = c.spread;
        settings.centerX = 40;
        settings.centerY = 60;
        settings.phase = 50;
        settings.frequencyX = c.frequencyX;
        settings.frequencyY = c.frequencyY;
        settings.warp = 40;
        EXPECT_NEAR(ShapeField(settings).steplessTone(c.x, c.y), c.tone, 1e-11)
            << rawValue(c.shape) << " at " << c.x << "," << c.y << " spread " << c.spread;
    }
}

TEST(ShapeField, RadialIsZeroAtTheCentre) {
    WallpaperExportSettings settings = plain(NotchShape::radial);
    settings.centerX = 30;
    settings.centerY = 70;
    EXPECT_EQ(shapeField(settings, 0.3, 0.7), 0);
    settings.invert = true;
    EXPECT_EQ(shapeField(settings, 0.3, 0.7), 1);
}

TEST(ShapeField, ConicClampsInsteadOfWrapping) {
    WallpaperExportSettings settings = plain(NotchShape::conic);
    settings.phase = 180;
    const ShapeField field(settings);
    // Below the centre the angle is positive, so the tone passes 1 and stays there.
    EXPECT_EQ(field.steplessTone(0.5, 0.8), 1);
    EXPECT_EQ(field.steplessTone(0.9, 0.5001), 1);
    // Above it the tone runs 0.5...1: straight up is 0.75.
    EXPECT_DOUBLE_EQ(field.steplessTone(0.5, 0.2), 0.75);
    EXPECT_NEAR(field.steplessTone(0.9, 0.4999), 1, 1e-3);
}

TEST(ShapeField, RotationTurnsAboutTheImageCentre) {
    WallpaperExportSettings settings = plain(NotchShape::linear);
    settings.centerX = 20;
    settings.angle = 90;
    const ShapeField field(settings);
    // A quarter turn maps (0.5, 0.9) onto u = 0.1, v = 0.5.
    EXPECT_NEAR(field.steplessTone(0.5, 0.9), 0.72 * (0.1 - 0.2) + 0.5, 1e-12);
}

TEST(ShapeField, SpreadZeroTakesEachFloor) {
    const auto same = [](NotchShape shape, double spreadA, double spreadB) {
        WallpaperExportSettings a = plain(shape);
        WallpaperExportSettings b = plain(shape);
        a.spread = spreadA;
        b.spread = spreadB;
        const ShapeField fa(a), fb(b);
        for (double x = 0; x <= 1; x += 0.0625)
            for (double y = 0; y <= 1; y += 0.0625)
                if (fa.steplessTone(x, y) != fb.steplessTone(x, y)) return false;
        return true;
    };
    EXPECT_TRUE(same(NotchShape::radial, 0, 10));     // S = 10
    EXPECT_TRUE(same(NotchShape::diamond, 0, 22));    // max(1, R / 22)
    EXPECT_FALSE(same(NotchShape::diamond, 0, 44));
    EXPECT_TRUE(same(NotchShape::glowDots, 0, 72));   // sharpness max(18, R / 4)
    EXPECT_FALSE(same(NotchShape::glowDots, 0, 144));
    EXPECT_TRUE(same(NotchShape::tree, 0, 45));       // trunk 0.0147 while R / 300 <= 0.15
    EXPECT_FALSE(same(NotchShape::tree, 0, 90));
    EXPECT_TRUE(same(NotchShape::fractal, 0, 45));    // zoom 3.5 up to spread 45
    EXPECT_FALSE(same(NotchShape::fractal, 45, 90));
    EXPECT_TRUE(same(NotchShape::fractal, 450, 1e6)); // zoom never below 0.35
}

TEST(ShapeField, FractalFloorsAndEscapeCounts) {
    WallpaperExportSettings a = plain(NotchShape::fractal);
    a.spread = 0;  // zoom 3.5
    WallpaperExportSettings b = a;
    a.frequencyX = 0;
    a.frequencyY = 0;
    b.frequencyX = 2.2;  // 2.2 / 4 = 0.55
    b.frequencyY = 1;    // 1 / 3 < 0.55
    const ShapeField fa(a), fb(b);
    for (double x = 0; x <= 1; x += 0.125)
        for (double y = 0; y <= 1; y += 0.125) EXPECT_EQ(fa.steplessTone(x, y), fb.steplessTone(x, y));
    // The centre never escapes for c = (0.14, 0.08); a far point escapes at once.
    EXPECT_EQ(fa.steplessTone(0.5, 0.5), 1);
    a.centerX = 0;
    EXPECT_EQ(ShapeField(a).steplessTone(1, 0.5), 0);
    std::set<double> counts;
    for (double x = 0; x <= 1; x += 0.01) counts.insert(fa.steplessTone(x, 0.3) * 14);
    for (double count : counts) EXPECT_EQ(count, std::round(count));
}

TEST(ShapeField, PetalsRoundTheirCount) {
    const auto field = [](double frequencyX) {
        WallpaperExportSettings settings = plain(NotchShape::petals);
        settings.frequencyX = frequencyX;
        return ShapeField(settings);
    };
    const ShapeField f35 = field(3.5), f4 = field(4), f24 = field(2.4), f3 = field(3), f5 = field(5);
    bool differs = false;
    for (double x = 0; x <= 1; x += 0.05) {
        for (double y = 0; y <= 1; y += 0.05) {
            EXPECT_EQ(f35.steplessTone(x, y), f4.steplessTone(x, y));
            EXPECT_EQ(f24.steplessTone(x, y), f3.steplessTone(x, y));
            differs = differs || f4.steplessTone(x, y) != f5.steplessTone(x, y);
        }
    }
    EXPECT_TRUE(differs);
}

TEST(ShapeField, TreeGroundLineAndFirstBranchLevel) {
    const ShapeField field(plain(NotchShape::tree));
    // At the bottom edge the height is 0: no trunk, no branch.
    for (double x = 0; x <= 1; x += 0.1) EXPECT_EQ(field.steplessTone(x, 1), 0.12);
    // The first level starts at height 0.1978: just above it a branch lights
    // up beside the trunk, just below it there is only the trunk's faint edge.
    const double below = field.steplessTone(0.55, 1 - 0.197);
    const double above = field.steplessTone(0.55, 1 - 0.199);
    EXPECT_LT(below, 0.13);
    EXPECT_GT(above - below, 0.03);
}

TEST(ShapeField, LandscapeHorizonAndRidgeDivisor) {
    WallpaperExportSettings settings = plain(NotchShape::landscape);
    settings.centerY = 0;  // horizon 0.72, lower ridge 0.88 straight below the centre
    const ShapeField raised(settings);
    EXPECT_NEAR(raised.steplessTone(0.5, 0.71), 0.2478, 1e-12);     // sky
    EXPECT_NEAR(raised.steplessTone(0.5, 0.73), 0.365625, 1e-12);   // middle ground
    EXPECT_NEAR(raised.steplessTone(0.5, 0.95), 0.68 + 0.22 * (0.07 / 0.12), 1e-12);  // ground
    settings.centerY = 50;  // horizon 0.58
    EXPECT_NEAR(ShapeField(settings).steplessTone(0.5, 0.71), 0.553125, 1e-12);
    // At x = 0.02 with phase 45 the ridges are 0.0422 apart, so the middle
    // ground divides by 0.05 instead.
    settings.phase = 45;
    EXPECT_NEAR(ShapeField(settings).steplessTone(0.02, 0.5944033946774191), 0.4555289567404499, 1e-9);
}

TEST(ShapeField, ToneSteps) {
    const auto tones = [](double quantization) {
        WallpaperExportSettings settings = plain(NotchShape::linear);
        settings.quantization = quantization;
        const ShapeField field(settings);
        std::set<double> seen;
        for (double x = 0; x <= 1; x += 0.01)
            for (double y = 0; y <= 1; y += 0.1) seen.insert(field(x, y));
        return seen;
    };
    EXPECT_EQ(tones(1), (std::set<double>{0, 1}));
    EXPECT_EQ(tones(2), (std::set<double>{0, 1}));
    EXPECT_EQ(tones(2.5), (std::set<double>{0, 0.5, 1}));
    EXPECT_EQ(tones(6), (std::set<double>{0, 0.2, 0.4, 0.6, 0.8, 1}));
    EXPECT_EQ(tones(14).size(), 14u);
}

TEST(ShapeField, MirrorThenInvertBrightensTheMiddle) {
    WallpaperExportSettings settings = plain(NotchShape::linear);
    settings.mirror = true;
    EXPECT_EQ(ShapeField(settings).steplessTone(0.5, 0.5), 0);
    settings.invert = true;
    EXPECT_EQ(ShapeField(settings).steplessTone(0.5, 0.5), 1);
}

TEST(ShapeField, ToneStepCountOfUnusualQuantization) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(toneStepCount(6), 6);
    EXPECT_EQ(toneStepCount(14), 14);
    EXPECT_EQ(toneStepCount(2.5), 3);
    EXPECT_EQ(toneStepCount(-7), 2);
    EXPECT_EQ(toneStepCount(std::nan("")), 2);
    EXPECT_EQ(toneStepCount(inf), 8);
    EXPECT_EQ(toneStepCount(-inf), 2);
    EXPECT_EQ(toneStepCount(-1e300), 2);
    EXPECT_EQ(toneStepCount(1e300), 9223372036854774784);
}

TEST(ShapeField, EveryShapeStaysInTheUnitRange) {
    for (NotchShape shape : everyCase<NotchShape>()) {
        WallpaperExportSettings settings;
        settings.shape = shape;
        settings.phase = 37;
        settings.warp = 40;
        settings.spread = 30;
        const ShapeField field(settings);
        std::set<double> seen;
        for (double x = 0; x <= 1; x += 0.05) {
            for (double y = 0; y <= 1; y += 0.05) {
                const double t = field(x, y);
                EXPECT_GE(t, 0) << rawValue(shape);
                EXPECT_LE(t, 1) << rawValue(shape);
                EXPECT_EQ(t, shapeField(settings, x, y));
                seen.insert(t);
            }
        }
        EXPECT_GT(seen.size(), 1u) << rawValue(shape);
    }
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
