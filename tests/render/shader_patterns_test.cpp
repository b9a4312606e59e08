#include "render/shader_patterns.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace glimora {
namespace {

constexpr std::int64_t sampleWidth = 96;
constexpr std::int64_t sampleHeight = 54;

ShaderMaterialInputs defaultMaterial(ShaderPattern pattern) {
    ShaderMaterialInputs in;
    in.width = 1920;
    in.height = 1080;
    in.materialTime = 37.5;
    in.pattern = pattern;
    in.seed = 200000;  // seed fraction 0.2
    in.baseColor = {0.025, 0.035, 0.06};
    in.midColor = {0.24, 0.36, 0.56};
    in.highlightColor = {1, 1, 1};
    return in;
}

ShaderMaterialUniforms uniformsOf(const ShaderMaterialInputs& in) {
    return *ShaderMaterialUniforms::fromArguments(shaderMaterialArguments(in));
}

// The material at a twentieth of 1920 x 1080 points.
std::vector<std::uint8_t> render(const ShaderMaterialUniforms& u, const PixelImageBuffer* picture = nullptr,
                                 int threads = 1) {
    std::vector<std::uint8_t> pixels(std::size_t(sampleWidth * sampleHeight * 4));
    renderShaderMaterial(u, picture, {pixels.data(), sampleWidth, sampleHeight, sampleWidth * 4},
                         double(sampleWidth) / double(u.width), threads);
    return pixels;
}

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    double total = 0;
    for (std::size_t i = 0; i < a.size(); ++i) total += std::abs(int(a[i]) - int(b[i]));
    return total / double(a.size());
}

TEST(ShaderPatterns, OnlyTheMaterialsTwentyArgumentsAreAccepted) {
    ShaderArguments list = shaderMaterialArguments(defaultMaterial(ShaderPattern::flow));
    EXPECT_TRUE(ShaderMaterialUniforms::fromArguments(list).has_value());
    ShaderArguments shorter(list.begin(), list.end() - 1);
    EXPECT_FALSE(ShaderMaterialUniforms::fromArguments(shorter).has_value());
    ShaderArguments wrongKind = list;
    wrongKind[17] = ShaderArgument::scalar(1);
    EXPECT_FALSE(ShaderMaterialUniforms::fromArguments(wrongKind).has_value());
    EXPECT_FALSE(ShaderMaterialUniforms::fromArguments(grainGradientArguments({}, 10, 10)).has_value());
}

TEST(ShaderPatterns, EveryPatternReactsToEveryArgument) {
    struct Change {
        const char* name;
        std::function<void(ShaderMaterialInputs&)> apply;
    };
    const std::vector<Change> changes{
        {"size", [](auto& in) { in.width = 1500; }},
        {"time", [](auto& in) { in.materialTime += 4; }},
        {"scale", [](auto& in) { in.scale = 1.5; }},
        {"distortion", [](auto& in) { in.distortion = 90; }},
        {"relief", [](auto& in) { in.relief = 5; }},
        {"colorShift", [](auto& in) { in.colorShift = 80; }},
        {"intensity", [](auto& in) { in.intensity = 25; }},
        {"seed", [](auto& in) { in.seed = 700000; }},
        {"shape", [](auto& in) { in.shape = NotchShape::radial; }},
        {"angle", [](auto& in) { in.angle = 60; }},
        {"spread", [](auto& in) { in.spread = 280; }},
        {"centerX", [](auto& in) { in.centerX = 20; }},
        {"centerY", [](auto& in) { in.centerY = 85; }},
        {"phase", [](auto& in) { in.phase = 120; }},
        {"frequencyX", [](auto& in) { in.frequencyX = 7.5; }},
        {"frequencyY", [](auto& in) { in.frequencyY = 5.5; }},
        {"baseColor",
         [](auto& in) {
             in.baseColor = {0.3, 0.02, 0.02};
         }},
        {"midColor",
         [](auto& in) {
             in.midColor = {0.1, 0.7, 0.2};
         }},
        {"highlightColor",
         [](auto& in) {
             in.highlightColor = {1, 0.8, 0};
         }},
    };
    for (const ShaderPattern pattern : allCases<ShaderPattern>()) {
        const ShaderMaterialInputs base = defaultMaterial(pattern);
        const auto reference = render(uniformsOf(base));
        for (const Change& change : changes) {
            ShaderMaterialInputs changed = base;
            change.apply(changed);
            EXPECT_GT(meanDifference(reference, render(uniformsOf(changed))), 1.0)
                << rawValue(pattern) << " ignores " << change.name;
        }
    }
}

TEST(ShaderPatterns, SixPatternsLookUnalike) {
    std::vector<std::vector<std::uint8_t>> images;
    for (const ShaderPattern pattern : allCases<ShaderPattern>())
        images.push_back(render(uniformsOf(defaultMaterial(pattern))));
    for (std::size_t i = 0; i < images.size(); ++i)
        for (std::size_t j = i + 1; j < images.size(); ++j)
            EXPECT_GT(meanDifference(images[i], images[j]), 8.0) << i << " " << j;
}

TEST(ShaderPatterns, EveryShapeCodeLaysOutTheToneDifferently) {
    std::vector<std::vector<std::uint8_t>> images;
    for (const NotchShape shape :
         {NotchShape::linear, NotchShape::radial, NotchShape::conic, NotchShape::sine,
          NotchShape::sunsetStrip, NotchShape::diamond, NotchShape::fractal, NotchShape::tree,
          NotchShape::landscape, NotchShape::petals, NotchShape::crystal, NotchShape::spiral,
          NotchShape::kaleidoscope, NotchShape::topography, NotchShape::orbit}) {
        ShaderMaterialInputs in = defaultMaterial(ShaderPattern::waves);
        in.shape = shape;
        images.push_back(render(uniformsOf(in)));
    }
    for (std::size_t i = 0; i < images.size(); ++i)
        for (std::size_t j = i + 1; j < images.size(); ++j)
            EXPECT_GT(meanDifference(images[i], images[j]), 0.5) << i << " " << j;
}

TEST(ShaderPatterns, TheMaterialLoopsSeamlesslyOverItsPeriod) {
    for (const ShaderPattern pattern : allCases<ShaderPattern>()) {
        ShaderMaterialInputs start = defaultMaterial(pattern);
        start.materialTime = 0;
        ShaderMaterialInputs end = start;
        end.materialTime = shaderMaterialPeriod - 1.0 / 120;  // a quarter frame before the wrap
        ShaderMaterialInputs frame = start;
        frame.materialTime = 1.0 / 30;
        const auto a = render(uniformsOf(start));
        // The jump across the wrap is no larger than one ordinary frame's change.
        EXPECT_LE(meanDifference(a, render(uniformsOf(end))),
                  meanDifference(a, render(uniformsOf(frame))) + 0.05)
            << rawValue(pattern);
    }
}

TEST(ShaderPatterns, BandsAreStripesAcrossTheirAngle) {
    ShaderMaterialInputs in = defaultMaterial(ShaderPattern::bands);
    in.angle = 0;
    in.distortion = 0;
    in.relief = 0;
    in.colorShift = 0;
    const auto image = render(uniformsOf(in));
    double across = 0;
    double along = 0;
    for (std::int64_t y = 0; y + 1 < sampleHeight; ++y) {
        for (std::int64_t x = 0; x + 1 < sampleWidth; ++x) {
            const std::size_t i = std::size_t((y * sampleWidth + x) * 4 + 1);
            across += std::abs(int(image[i + 4]) - int(image[i]));
            along += std::abs(int(image[i + std::size_t(sampleWidth) * 4]) - int(image[i]));
        }
    }
    EXPECT_GT(across, 2.5 * along);  // vertical stripes change along x, hardly along y
}

TEST(ShaderPatterns, ThreadsRenderTheSameMaterial) {
    const ShaderMaterialUniforms u = uniformsOf(defaultMaterial(ShaderPattern::cells));
    EXPECT_EQ(render(u, nullptr, 1), render(u, nullptr, 4));
}

PixelImageBuffer gradientPicture(std::int64_t width, std::int64_t height, std::uint8_t alpha = 255) {
    std::vector<std::uint8_t> bytes;
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            const auto r = std::uint8_t(255 * x / std::max<std::int64_t>(width - 1, 1));
            const auto g = std::uint8_t(255 * y / std::max<std::int64_t>(height - 1, 1));
            // Premultiplied, as decoded pictures are.
            bytes.insert(bytes.end(), {std::uint8_t(r * alpha / 255), std::uint8_t(g * alpha / 255),
                                       std::uint8_t(60 * alpha / 255), alpha});
        }
    }
    return {width, height, std::make_shared<std::vector<std::uint8_t>>(bytes)};
}

TEST(ShaderPatterns, PicturesAreFittedInsideTheOfferedSizeAndCentred) {
    const PixelImageBuffer picture = gradientPicture(100, 50);
    // 200 x 200 points: the picture becomes 200 x 100, from y = 50 to 150.
    EXPECT_FALSE(fittedPictureColor(picture, 200, 200, 100, 49.5f).has_value());
    EXPECT_FALSE(fittedPictureColor(picture, 200, 200, 100, 150.5f).has_value());
    const auto corner = fittedPictureColor(picture, 200, 200, 0.5f, 50.5f);
    ASSERT_TRUE(corner.has_value());
    EXPECT_FLOAT_EQ((*corner)[0], 0.0f);  // the first pixel, edge clamped
    const auto middle = fittedPictureColor(picture, 200, 200, 100, 100);
    ASSERT_TRUE(middle.has_value());
    EXPECT_NEAR((*middle)[0], 0.5f, 0.01f);
    EXPECT_NEAR((*middle)[1], 0.5f, 0.02f);
    EXPECT_FALSE(fittedPictureColor(PixelImageBuffer{}, 200, 200, 100, 100).has_value());
}

TEST(ShaderPatterns, PicturesCarryTheMaterialOnBlack) {
    ShaderMaterialInputs in = defaultMaterial(ShaderPattern::flow);
    in.width = 1920;
    in.height = 1080;
    const PixelImageBuffer picture = gradientPicture(40, 40);
    const ShaderMaterialUniforms u = uniformsOf(in);
    const auto image = render(u, &picture);
    // A square picture in a wide desktop: black bands at the sides.
    for (std::int64_t y = 0; y < sampleHeight; ++y) {
        for (const std::int64_t x : {std::int64_t(0), std::int64_t(12), sampleWidth - 1}) {
            const std::size_t i = std::size_t((y * sampleWidth + x) * 4);
            ASSERT_EQ(image[i] + image[i + 1] + image[i + 2], 0) << x << "," << y;
        }
    }
    // Inside, the picture's tones show through the material: a different
    // picture gives a different result, and so does the material alone.
    const PixelImageBuffer other = gradientPicture(40, 40, 128);
    EXPECT_GT(meanDifference(image, render(u, &other)), 2.0);
    EXPECT_GT(meanDifference(image, render(u)), 2.0);
    // With no energy, the picture itself dominates.
    const ShaderColor under{0.8f, 0.2f, 0.1f, 1.0f};
    ShaderMaterialUniforms calm = u;
    calm.intensity = 0;
    const ShaderColor c = shaderImageColor(calm, 960, 540, under);
    EXPECT_NEAR(c[0], 0.8f, 0.4f);
    EXPECT_EQ(c[3], 1.0f);
    // A transparent pixel stays black.
    const ShaderColor clear = shaderImageColor(u, 960, 540, {0, 0, 0, 0});
    EXPECT_EQ(clear[0] + clear[1] + clear[2], 0.0f);
}

}  // namespace
}  // namespace glimora
