#include <gtest/gtest.h>

#include <algorithm>
#include <unordered_set>

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

TEST(DesignOptions, DisplayTables) {
    EXPECT_EQ(title(NotchTab::shape), "Forms");
    EXPECT_EQ(systemImage(NotchTab::adjust), "slider.horizontal.3");
    EXPECT_EQ(title(NotchShape::kaleidoscope), "Prismatics");
    EXPECT_EQ(title(NotchShape::orbit), "Orbitals");
    EXPECT_EQ(title(AnimationProperty::chroma), "Color Shift");
    EXPECT_EQ(help(AnimationProperty::warp), "Bend the field as it moves");
    EXPECT_EQ(title(ShuffleProperty::pixelScale), "Cell Size");
    EXPECT_EQ(title(ShuffleProperty::imagePixelSize), "Cell Size");
    EXPECT_EQ(title(ShuffleProperty::imageCellGap), "Cell Spacing");
    for (NotchShape shape : allCases<NotchShape>()) EXPECT_FALSE(title(shape).empty());
    for (NotchTab tab : everyCase<NotchTab>()) EXPECT_FALSE(systemImage(tab).empty());
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
