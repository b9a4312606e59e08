#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <tuple>
#include <unordered_set>
#include <vector>

#include "model/design_options.hpp"

namespace glimora {
namespace {

template <class E>
bool contains(std::span<const E> cases, E value) {
    return std::find(cases.begin(), cases.end(), value) != cases.end();
}

TEST(DesignOptions, ParsingIsExactAndCaseSensitive) {
    EXPECT_EQ(fromRawValue<NotchShape>("linear"), NotchShape::linear);
    EXPECT_FALSE(fromRawValue<NotchShape>("Linear"));
    EXPECT_FALSE(fromRawValue<NotchShape>(" linear"));
    EXPECT_FALSE(fromRawValue<NotchShape>(""));
    EXPECT_EQ(fromRawValue<DitherMode>("noise"), DitherMode::noise);
    EXPECT_EQ(fromRawValue<AnimationWaveform>("noise"), AnimationWaveform::noise);
    EXPECT_FALSE(fromRawValue<ImageDitherStyle>("off"));
    EXPECT_EQ(fromRawValue<NotchTab>("export"), NotchTab::export_);
    EXPECT_EQ(rawValue(NotchTab::export_), "export");
}

TEST(DesignOptions, EveryRawValueRoundTripsInItsOwnEnumeration) {
    auto check = [](auto tag) {
        using E = decltype(tag);
        for (E value : everyCase<E>()) {
            EXPECT_EQ(fromRawValue<E>(rawValue(value)), value) << rawValue(value);
            EXPECT_EQ(id(value), rawValue(value));
        }
    };
    check(WallpaperSource{}), check(NotchPlacement{}), check(NotchTab{}), check(GrainGradientPreset{});
    check(GrainGradientMode{}), check(NotchShape{}), check(ShuffleProperty{}), check(DitherMode{});
    check(StyleChannel{}), check(AnimationProperty{}), check(AnimationWaveform{}), check(ExportFormat{});
    check(ExportResolution{}), check(ImagePixelLook{}), check(ImageMosaicTileShape{});
    check(ImageRenderMode{}), check(ImagePixelShape{}), check(ImageDitherStyle{});
    check(ImagePaletteMode{}), check(ShaderPattern{});
}

TEST(DesignOptions, CaseListsKeepDeclarationOrder) {
    EXPECT_EQ(allCases<NotchShape>().size(), 18u);
    EXPECT_EQ(allCases<ShuffleProperty>().size(), 19u);
    EXPECT_EQ(allCases<AnimationProperty>().size(), 10u);
    EXPECT_EQ(allCases<NotchShape>().front(), NotchShape::linear);
    EXPECT_EQ(allCases<NotchShape>().back(), NotchShape::orbit);
    EXPECT_EQ(allCases<ShuffleProperty>().front(), ShuffleProperty::palette);
    EXPECT_EQ(allCases<AnimationProperty>().front(), AnimationProperty::angle);
    const std::vector<DitherMode> dithers(allCases<DitherMode>().begin(), allCases<DitherMode>().end());
    EXPECT_EQ(dithers, (std::vector<DitherMode>{DitherMode::off, DitherMode::twoByTwo, DitherMode::fourByFour,
                                                DitherMode::eightByEight, DitherMode::sixteenBySixteen,
                                                DitherMode::noise}));
}

TEST(DesignOptions, ShaderTabIsACaseButNotListed) {
    EXPECT_EQ(allCases<NotchTab>().size(), 9u);
    EXPECT_FALSE(contains(allCases<NotchTab>(), NotchTab::shader));
    EXPECT_EQ(everyCase<NotchTab>().size(), 10u);
    EXPECT_EQ(fromRawValue<NotchTab>("shader"), NotchTab::shader);
    EXPECT_EQ(title(NotchTab::shader), "Material");
    EXPECT_EQ(systemImage(NotchTab::shader), "sparkles");
    EXPECT_EQ(allCases<NotchTab>().back(), NotchTab::history);
    EXPECT_EQ(allCases<NotchTab>()[7], NotchTab::export_);
}

TEST(DesignOptions, ShapeTabListLeavesOutThreeShapes) {
    const auto tabs = shapeTabCases();
    ASSERT_EQ(tabs.size(), 15u);
    EXPECT_EQ(tabs[0], NotchShape::linear);
    EXPECT_EQ(tabs[2], NotchShape::ribbonBands);
    EXPECT_EQ(tabs[14], NotchShape::topography);
    for (NotchShape missing : {NotchShape::smoothGradient, NotchShape::glowDots, NotchShape::orbit})
        EXPECT_FALSE(contains(tabs, missing));
}

template <class E>
void expectRawValues(const std::vector<std::string_view>& expected) {
    std::vector<std::string_view> names;
    for (E value : everyCase<E>()) names.push_back(rawValue(value));
    EXPECT_EQ(names, expected);
}

TEST(DesignOptions, RawValuesAreTheStoredNamesInDeclarationOrder) {
    expectRawValues<WallpaperSource>({"gradient", "image"});
    expectRawValues<NotchPlacement>({"top", "left", "right", "bottom"});
    expectRawValues<NotchTab>({"image", "shape", "gradients", "color", "adjust", "style", "animation",
        "shader", "export", "history"});
    expectRawValues<GrainGradientPreset>({"aurora", "ember", "ocean", "pastel", "spectrum"});
    expectRawValues<GrainGradientMode>({"liquid", "bloom", "ribbon", "halftone"});
    expectRawValues<NotchShape>({"linear", "radial", "smoothGradient", "ribbonBands", "glowDots", "conic",
        "sine", "sunsetStrip", "diamond", "fractal", "tree", "landscape", "petals", "crystal", "spiral",
        "kaleidoscope", "topography", "orbit"});
    expectRawValues<ShuffleProperty>({"palette", "shape", "angle", "spread", "centerX", "centerY", "phase",
        "frequencyX", "frequencyY", "pixelScale", "dither", "mirror", "warp", "scanlines", "rgbSplit",
        "image", "imagePixelShape", "imagePixelSize", "imageCellGap"});
    expectRawValues<DitherMode>({"off", "twoByTwo", "fourByFour", "eightByEight", "sixteenBySixteen",
        "noise"});
    expectRawValues<StyleChannel>({"rgb", "red", "green", "blue"});
    expectRawValues<AnimationProperty>({"angle", "spread", "centerX", "centerY", "phase", "frequencyX",
        "frequencyY", "warp", "noise", "chroma"});
    expectRawValues<AnimationWaveform>({"sine", "pingPong", "noise"});
    expectRawValues<ExportFormat>({"png", "svg"});
    expectRawValues<ExportResolution>({"hd", "fourK", "sixK"});
    expectRawValues<ImagePixelLook>({"softDither", "halftone", "poster", "monochrome"});
    expectRawValues<ImageMosaicTileShape>({"square", "wide", "tall", "brick", "rounded"});
    expectRawValues<ImageRenderMode>({"pixel", "mosaic"});
    expectRawValues<ImagePixelShape>({"square", "dot", "diamond"});
    expectRawValues<ImageDitherStyle>({"none", "bayer4", "bayer8", "noise"});
    expectRawValues<ImagePaletteMode>({"source", "current", "monochrome"});
}

TEST(DesignOptions, DisplayTables) {
    const std::vector<std::tuple<NotchTab, std::string_view, std::string_view>> tabs{
        {NotchTab::image, "Image", "photo"},
        {NotchTab::shape, "Forms", "square.grid.2x2"},
        {NotchTab::gradients, "Gradient", "circle.lefthalf.filled"},
        {NotchTab::color, "Palette", "paintpalette"},
        {NotchTab::adjust, "Tuning", "slider.horizontal.3"},
        {NotchTab::style, "Finish", "wand.and.stars"},
        {NotchTab::animation, "Animation", "waveform.path.ecg"},
        {NotchTab::shader, "Material", "sparkles"},
        {NotchTab::export_, "Output", "arrow.down.doc"},
        {NotchTab::history, "History", "clock.arrow.circlepath"},
    };
    for (const auto& [tab, text, symbol] : tabs) {
        EXPECT_EQ(title(tab), text);
        EXPECT_EQ(systemImage(tab), symbol);
    }
    const std::vector<std::pair<NotchShape, std::string_view>> shapes{
        {NotchShape::linear, "Rayfield"},
        {NotchShape::radial, "Halo"},
        {NotchShape::smoothGradient, "Melt"},
        {NotchShape::ribbonBands, "Strata"},
        {NotchShape::glowDots, "Embers"},
        {NotchShape::conic, "Sweep"},
        {NotchShape::sine, "Pulse"},
        {NotchShape::sunsetStrip, "Horizon"},
        {NotchShape::diamond, "Facet"},
        {NotchShape::fractal, "Branch"},
        {NotchShape::tree, "Canopy"},
        {NotchShape::landscape, "Terrain"},
        {NotchShape::petals, "Bloom"},
        {NotchShape::crystal, "Prism"},
        {NotchShape::spiral, "Vortex"},
        {NotchShape::kaleidoscope, "Prismatics"},
        {NotchShape::topography, "Contours"},
        {NotchShape::orbit, "Orbitals"},
    };
    for (const auto& [shape, text] : shapes) EXPECT_EQ(title(shape), text);
    const std::vector<std::tuple<AnimationProperty, std::string_view, std::string_view>> animated{
        {AnimationProperty::angle, "Twist", "Turn the pattern around its center"},
        {AnimationProperty::spread, "Reach", "Push the pattern toward the edges"},
        {AnimationProperty::centerX, "Anchor X", "Move the anchor from left to right"},
        {AnimationProperty::centerY, "Anchor Y", "Move the anchor from top to bottom"},
        {AnimationProperty::phase, "Offset", "Slide the pattern through its cycle"},
        {AnimationProperty::frequencyX, "Density X", "Change horizontal detail density"},
        {AnimationProperty::frequencyY, "Density Y", "Change vertical detail density"},
        {AnimationProperty::warp, "Bend", "Bend the field as it moves"},
        {AnimationProperty::noise, "Grain", "Add and remove surface grain"},
        {AnimationProperty::chroma, "Color Shift", "Move the color channels apart"},
    };
    for (const auto& [property, text, tooltip] : animated) {
        EXPECT_EQ(title(property), text);
        EXPECT_EQ(help(property), tooltip);
    }
    const std::vector<std::pair<ShuffleProperty, std::string_view>> pins{
        {ShuffleProperty::palette, "Color Set"},
        {ShuffleProperty::shape, "Pattern"},
        {ShuffleProperty::angle, "Twist"},
        {ShuffleProperty::spread, "Reach"},
        {ShuffleProperty::centerX, "Anchor X"},
        {ShuffleProperty::centerY, "Anchor Y"},
        {ShuffleProperty::phase, "Offset"},
        {ShuffleProperty::frequencyX, "Density X"},
        {ShuffleProperty::frequencyY, "Density Y"},
        {ShuffleProperty::pixelScale, "Cell Size"},
        {ShuffleProperty::dither, "Texture"},
        {ShuffleProperty::mirror, "Reflect"},
        {ShuffleProperty::warp, "Bend"},
        {ShuffleProperty::scanlines, "Line Texture"},
        {ShuffleProperty::rgbSplit, "Color Fringe"},
        {ShuffleProperty::image, "Source"},
        {ShuffleProperty::imagePixelShape, "Cell Form"},
        {ShuffleProperty::imagePixelSize, "Cell Size"},
        {ShuffleProperty::imageCellGap, "Cell Spacing"},
    };
    for (const auto& [property, text] : pins) EXPECT_EQ(title(property), text);
    EXPECT_EQ(tabs.size(), everyCase<NotchTab>().size());
    EXPECT_EQ(shapes.size(), everyCase<NotchShape>().size());
    EXPECT_EQ(animated.size(), everyCase<AnimationProperty>().size());
    EXPECT_EQ(pins.size(), everyCase<ShuffleProperty>().size());
}

TEST(DesignOptions, AnimationPropertyAppliesByShapeAlone) {
    EXPECT_FALSE(applies(AnimationProperty::angle, NotchShape::radial));
    EXPECT_TRUE(applies(AnimationProperty::angle, NotchShape::linear));
    EXPECT_FALSE(applies(AnimationProperty::spread, NotchShape::linear));
    EXPECT_TRUE(applies(AnimationProperty::spread, NotchShape::radial));
    EXPECT_TRUE(applies(AnimationProperty::phase, NotchShape::conic));
    auto count = [](NotchShape shape) {
        return std::count_if(allCases<AnimationProperty>().begin(), allCases<AnimationProperty>().end(),
                             [&](AnimationProperty p) { return applies(p, shape); });
    };
    // The table holds: linear offers eight, radial eight, every other shape ten.
    EXPECT_EQ(count(NotchShape::linear), 8);
    EXPECT_EQ(count(NotchShape::radial), 8);
    for (NotchShape shape : allCases<NotchShape>()) {
        EXPECT_TRUE(applies(AnimationProperty::chroma, shape));
        if (shape != NotchShape::linear && shape != NotchShape::radial) {
            EXPECT_EQ(count(shape), 10);
        }
    }
}

TEST(DesignOptions, EqualCasesHashAlike) {
    std::unordered_set<NotchShape> shapes(allCases<NotchShape>().begin(), allCases<NotchShape>().end());
    EXPECT_EQ(shapes.size(), 18u);
    EXPECT_EQ(shapes.count(*fromRawValue<NotchShape>("orbit")), 1u);
}

}  // namespace
}  // namespace glimora
