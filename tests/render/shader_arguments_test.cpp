#include "render/shader_arguments.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace glimora {
namespace {

using Kind = ShaderArgument::Kind;

float scalarAt(const ShaderArguments& list, std::size_t number) {
    const ShaderArgument& argument = list.at(number - 1);  // numbered from 1, as the lists are
    EXPECT_EQ(argument.kind, Kind::float1) << "argument " << number;
    return argument.value[0];
}

TEST(ShaderArguments, ShapeCodesFollowTheShaderTable) {
    const std::map<NotchShape, float> codes{
        {NotchShape::linear, 0},        {NotchShape::radial, 1},      {NotchShape::smoothGradient, 0},
        {NotchShape::ribbonBands, 4},   {NotchShape::glowDots, 13},   {NotchShape::conic, 2},
        {NotchShape::sine, 3},          {NotchShape::sunsetStrip, 4}, {NotchShape::diamond, 5},
        {NotchShape::fractal, 6},       {NotchShape::tree, 7},        {NotchShape::landscape, 8},
        {NotchShape::petals, 9},        {NotchShape::crystal, 10},    {NotchShape::spiral, 11},
        {NotchShape::kaleidoscope, 12}, {NotchShape::topography, 13}, {NotchShape::orbit, 14},
    };
    ASSERT_EQ(codes.size(), allCases<NotchShape>().size());
    for (const NotchShape shape : allCases<NotchShape>())
        EXPECT_EQ(shaderShapeCode(shape), codes.at(shape)) << rawValue(shape);
}

TEST(ShaderArguments, SeedFractionIsTheLastSixDigitsInSinglePrecision) {
    EXPECT_EQ(shaderSeedFraction(1234567890), 567890.0f / 1000000.0f);
    EXPECT_FLOAT_EQ(shaderSeedFraction(1234567890), 0.56789f);
    EXPECT_EQ(shaderSeedFraction(0), 0.0f);
    EXPECT_EQ(shaderSeedFraction(999999), 999999.0f / 1000000.0f);
    EXPECT_EQ(shaderSeedFraction(std::numeric_limits<std::uint64_t>::max()), 551615.0f / 1000000.0f);
}

WallpaperExportSettings distinctDesign() {
    // Every value differs from every other, so a swapped pair shows.
    WallpaperExportSettings s;
    s.seed = 1234567890;
    s.shape = NotchShape::spiral;
    s.angle = 101.5;
    s.spread = 202.25;
    s.centerX = 31;
    s.centerY = 67;
    s.phase = 45.5;
    s.frequencyX = 5.5;
    s.frequencyY = 3.25;
    s.pixelScale = 2.5;
    s.quantization = 7;
    s.warp = 12;
    s.noise = 14;
    s.chroma = 9;
    s.hue = 210;
    s.brightness = -20;
    s.contrast = 130;
    s.dither = DitherMode::sixteenBySixteen;
    s.mirror = true;
    s.invert = false;
    s.vignette = true;
    s.scanlines = false;
    s.rgbSplit = true;
    s.channel = StyleChannel::blue;
    s.okLab = false;
    s.grainGradientMode = GrainGradientMode::ribbon;
    s.grainGradientScale = 33;
    s.grainGradientWarp = 77;
    s.grainGradientFlow = 5;
    s.grainGradientGlow = 99;
    s.colors = {{255, 0, 51}, {10, 20, 30}, {0, 255, 128}};
    return s;
}

TEST(ShaderArguments, AnimatedPixelGradientPacksItsTwentyEightArguments) {
    const WallpaperExportSettings s = distinctDesign();
    const ShaderArguments list = animatedPixelGradientArguments(s, 1440, 900, 0.3);
    ASSERT_EQ(list.size(), 28u);
    EXPECT_EQ(list[0].kind, Kind::float2);
    EXPECT_EQ(list[0].value[0], 1440.0f);
    EXPECT_EQ(list[0].value[1], 900.0f);
    const float halfTurn = 0.3f * 3.1415925f;
    EXPECT_EQ(scalarAt(list, 2), halfTurn * 2.0f);
    const float expected[] = {101.5f, 202.25f, 31, 67, 45.5f, 5.5f, 3.25f, 2.5f, 7, 12, 14, 9, 210, -20, 130};
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(scalarAt(list, 3 + i), expected[i]) << 3 + i;
    EXPECT_EQ(scalarAt(list, 18), 11.0f);  // spiral
    EXPECT_EQ(scalarAt(list, 19), 4.0f);   // sixteenBySixteen
    EXPECT_EQ(scalarAt(list, 20), 1.0f);   // mirror
    EXPECT_EQ(scalarAt(list, 21), 0.0f);   // invert
    EXPECT_EQ(scalarAt(list, 22), 1.0f);   // vignette
    EXPECT_EQ(scalarAt(list, 23), 0.0f);   // scanlines
    EXPECT_EQ(scalarAt(list, 24), 1.0f);   // rgbSplit
    EXPECT_EQ(scalarAt(list, 25), 3.0f);   // blue
    EXPECT_EQ(scalarAt(list, 26), 0.56789f);
    EXPECT_EQ(scalarAt(list, 27), 0.0f);  // okLab
    ASSERT_EQ(list[27].kind, Kind::colorArray);
    const std::vector<ShaderColor> palette{{1.0f, 0.0f, 51 / 255.0f, 1.0f},
                                           {10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1.0f},
                                           {0.0f, 1.0f, 128 / 255.0f, 1.0f}};
    EXPECT_EQ(list[27].colors, palette);
}

TEST(ShaderArguments, LoopAngleRunsOnceAroundPerLoop) {
    const WallpaperExportSettings s;
    EXPECT_EQ(scalarAt(animatedPixelGradientArguments(s, 1, 1, 0), 2), 0.0f);
    EXPECT_NEAR(scalarAt(animatedPixelGradientArguments(s, 1, 1, 0.5), 2), 3.1415925f, 1e-6f);
    EXPECT_NEAR(scalarAt(animatedPixelGradientArguments(s, 1, 1, 1), 2), 6.283185f, 1e-6f);
}

TEST(ShaderArguments, GrainGradientPacksItsSixteenArgumentsWithoutThePreset) {
    WallpaperExportSettings s = distinctDesign();
    const ShaderArguments list = grainGradientArguments(s, 800, 600);
    ASSERT_EQ(list.size(), 16u);
    EXPECT_EQ(list[0].kind, Kind::float2);
    EXPECT_EQ(list[0].value[0], 800.0f);
    EXPECT_EQ(list[0].value[1], 600.0f);
    EXPECT_EQ(scalarAt(list, 2), 2.0f);  // ribbon
    EXPECT_EQ(scalarAt(list, 3), float(33 / 100.0));
    EXPECT_EQ(scalarAt(list, 4), float(77 / 100.0));
    EXPECT_EQ(scalarAt(list, 5), float(5 / 100.0));
    EXPECT_EQ(scalarAt(list, 6), float(99 / 100.0));
    EXPECT_EQ(scalarAt(list, 7), 0.56789f);
    EXPECT_EQ(scalarAt(list, 8), 210.0f);  // hue as set
    EXPECT_EQ(scalarAt(list, 9), float(-20 / 100.0));
    EXPECT_EQ(scalarAt(list, 10), float(130 / 100.0));
    EXPECT_EQ(scalarAt(list, 11), float(14 / 100.0));
    EXPECT_EQ(scalarAt(list, 12), 0.0f);  // invert
    EXPECT_EQ(scalarAt(list, 13), 3.0f);  // blue
    EXPECT_EQ(scalarAt(list, 14), 1.0f);  // vignette
    EXPECT_EQ(scalarAt(list, 15), 0.0f);  // scanlines
    ASSERT_EQ(list[15].kind, Kind::colorArray);
    EXPECT_EQ(list[15].colors.size(), 3u);

    s.grainGradientPreset = GrainGradientPreset(int(s.grainGradientPreset) + 1);
    EXPECT_EQ(grainGradientArguments(s, 800, 600), list);
}

TEST(ShaderArguments, AnEmptyPaletteIsAnEmptyColorArray) {
    WallpaperExportSettings s;
    s.colors.clear();
    EXPECT_TRUE(grainGradientArguments(s, 10, 10).back().colors.empty());
    EXPECT_TRUE(animatedPixelGradientArguments(s, 10, 10, 0).back().colors.empty());
}

TEST(ShaderArguments, PalettesOfAnyLengthPassWhole) {
    WallpaperExportSettings s;
    for (int i = 0; i < 300; ++i) s.colors.push_back({std::uint8_t(i), std::uint8_t(255 - i % 256), 7});
    const ShaderArguments list = animatedPixelGradientArguments(s, 10, 10, 0);
    ASSERT_EQ(list.back().colors.size(), 300u);
    EXPECT_EQ(list.back().colors[299][0], float(std::uint8_t(299)) / 255.0f);
}

ShaderMaterialInputs distinctMaterial() {
    ShaderMaterialInputs in;
    in.width = 1920;
    in.height = 1080;
    in.materialTime = 42.25;
    in.pattern = ShaderPattern::cells;
    in.scale = 1.75;
    in.distortion = 42;
    in.relief = 62;
    in.colorShift = 18;
    in.intensity = 86;
    in.seed = 1234567890;
    in.shape = NotchShape::glowDots;
    in.angle = 135;
    in.spread = 140;
    in.centerX = 25;
    in.centerY = 75;
    in.phase = 90;
    in.frequencyX = 4;
    in.frequencyY = 2;
    in.baseColor = {0.025, 0.035, 0.06};
    in.midColor = {0.24, 0.36, 0.56};
    in.highlightColor = {1, 1, 1};
    return in;
}

TEST(ShaderArguments, MaterialPacksItsTwentyArguments) {
    const ShaderArguments list = shaderMaterialArguments(distinctMaterial());
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list[0].kind, Kind::float2);
    EXPECT_EQ(list[0].value[0], 1920.0f);
    EXPECT_EQ(list[0].value[1], 1080.0f);
    EXPECT_EQ(scalarAt(list, 2), 42.25f);
    EXPECT_EQ(scalarAt(list, 3), 4.0f);   // cells
    EXPECT_EQ(scalarAt(list, 4), 1.75f);  // scale as set
    EXPECT_EQ(scalarAt(list, 5), float(42 / 100.0));
    EXPECT_EQ(scalarAt(list, 6), float(62 / 100.0));
    EXPECT_EQ(scalarAt(list, 7), float(18 / 100.0));
    EXPECT_EQ(scalarAt(list, 8), float(86 / 100.0));
    EXPECT_EQ(scalarAt(list, 9), 0.56789f);
    EXPECT_EQ(scalarAt(list, 10), 13.0f);  // glowDots
    const float expected[] = {135, 140, 25, 75, 90, 4, 2};
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(scalarAt(list, 11 + i), expected[i]) << 11 + i;
    EXPECT_EQ(list[17].kind, Kind::color);
    EXPECT_EQ(list[17].value, (ShaderColor{0.025f, 0.035f, 0.06f, 1.0f}));
    EXPECT_EQ(list[18].value, (ShaderColor{0.24f, 0.36f, 0.56f, 1.0f}));
    EXPECT_EQ(list[19].value, (ShaderColor{1.0f, 1.0f, 1.0f, 1.0f}));
}

TEST(ShaderArguments, MaterialTimeIsWrappedBeforeItBecomesAFloat) {
    // After a week of material time a float alone would step in 1/16 s and
    // freeze a slow material; wrapped, a frame at the slowest speed still moves.
    ShaderMaterialInputs in = distinctMaterial();
    const double week = 7 * 24 * 3600.0;
    in.materialTime = week;
    const float now = scalarAt(shaderMaterialArguments(in), 2);
    in.materialTime = week + 0.01 / 30;  // one frame at speed 0.01
    const float next = scalarAt(shaderMaterialArguments(in), 2);
    EXPECT_GE(now, 0.0f);
    EXPECT_LT(now, float(shaderMaterialPeriod));
    EXPECT_NEAR(now, float(std::fmod(week, shaderMaterialPeriod)), 1e-3f);
    EXPECT_GT(next, now);
    EXPECT_NEAR(next - now, 0.01f / 30, 1e-4f);
}

TEST(ShaderArguments, WrappedTimeStaysInsideOnePeriod) {
    EXPECT_EQ(wrapShaderMaterialTime(0), 0.0f);
    EXPECT_EQ(wrapShaderMaterialTime(shaderMaterialPeriod), 0.0f);
    EXPECT_EQ(wrapShaderMaterialTime(shaderMaterialPeriod + 1.5), 1.5f);
    EXPECT_EQ(wrapShaderMaterialTime(-1), float(shaderMaterialPeriod - 1));
    EXPECT_LT(wrapShaderMaterialTime(std::nextafter(shaderMaterialPeriod, 0.0)), float(shaderMaterialPeriod));
    EXPECT_EQ(wrapShaderMaterialTime(std::numeric_limits<double>::infinity()), 0.0f);
    EXPECT_EQ(wrapShaderMaterialTime(std::numeric_limits<double>::quiet_NaN()), 0.0f);
    EXPECT_LT(wrapShaderMaterialTime(1e300), float(shaderMaterialPeriod));
}

TEST(ShaderArguments, ValuesBeyondSinglePrecisionSaturateInsteadOfOverflowing) {
    ShaderMaterialInputs in = distinctMaterial();
    in.angle = 1e300;
    in.spread = -1e300;
    in.baseColor = {std::nan(""), 2, -1};
    const ShaderArguments list = shaderMaterialArguments(in);
    EXPECT_EQ(scalarAt(list, 11), std::numeric_limits<float>::max());
    EXPECT_EQ(scalarAt(list, 12), -std::numeric_limits<float>::max());
    EXPECT_EQ(list[17].value, (ShaderColor{0.0f, 2.0f, -1.0f, 1.0f}));
}

}  // namespace
}  // namespace glimora
