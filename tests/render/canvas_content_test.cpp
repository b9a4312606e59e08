#include "render/canvas_content.hpp"

#include <gtest/gtest.h>

#include <map>

namespace glimora {
namespace {

bool gpuSkipsShape(NotchShape shape) {
    return shape == NotchShape::smoothGradient || shape == NotchShape::ribbonBands ||
           shape == NotchShape::glowDots;
}

// Every combination of material, grain, source, playing, reduced motion and
// shape (with the material clock both running and stopped).
template <class Check>
void forEveryCombination(Check check) {
    for (const bool shader : {false, true})
        for (const bool shaderPlaying : {false, true})
            for (const bool grain : {false, true})
                for (const WallpaperSource source : everyCase<WallpaperSource>())
                    for (const bool playing : {false, true})
                        for (const bool reduce : {false, true})
                            for (const NotchShape shape : allCases<NotchShape>())
                                check(CanvasInputs{shader, shaderPlaying, grain, source, playing, reduce,
                                                   shape});
}

TEST(CanvasContent, ChoiceForEveryCombination) {
    std::map<CanvasContent, int> seen;
    forEveryCombination([&](const CanvasInputs& in) {
        const CanvasContent content = canvasContent(in);
        ++seen[content];
        const bool running = in.animationPlaying && !in.reduceMotion;
        CanvasContent expected = CanvasContent::stillCanvas;
        if (in.shaderActive) {
            expected = CanvasContent::shaderMaterial;
        } else if (in.grainGradientActive) {
            expected = CanvasContent::grainGradient;
        } else if (running) {
            const bool gpu = in.wallpaperSource == WallpaperSource::gradient && !gpuSkipsShape(in.shape);
            expected = gpu ? CanvasContent::animatedGradient : CanvasContent::timelineCanvas;
        }
        ASSERT_EQ(content, expected) << "shader " << in.shaderActive << " grain " << in.grainGradientActive
                                     << " source " << rawValue(in.wallpaperSource) << " playing "
                                     << in.animationPlaying << " reduce " << in.reduceMotion << " shape "
                                     << rawValue(in.shape);
    });
    EXPECT_EQ(seen.size(), 5u);  // every drawing is reachable
}

TEST(CanvasContent, TheSpecialCasesOfTheDesktop) {
    CanvasInputs in;
    in.animationPlaying = true;
    in.shape = NotchShape::linear;
    EXPECT_EQ(canvasContent(in), CanvasContent::animatedGradient);
    in.reduceMotion = true;  // a playing animation shows the still design
    EXPECT_EQ(canvasContent(in), CanvasContent::stillCanvas);
    in.reduceMotion = false;
    for (const NotchShape shape :
         {NotchShape::smoothGradient, NotchShape::ribbonBands, NotchShape::glowDots}) {
        in.shape = shape;
        EXPECT_EQ(canvasContent(in), CanvasContent::timelineCanvas) << rawValue(shape);
    }
    in.shape = NotchShape::linear;
    in.wallpaperSource = WallpaperSource::image;  // only gradients run on the shape animation
    EXPECT_EQ(canvasContent(in), CanvasContent::timelineCanvas);
    in.grainGradientActive = true;
    EXPECT_EQ(canvasContent(in), CanvasContent::grainGradient);
    in.shaderActive = true;  // the material wins over the grain gradient
    EXPECT_EQ(canvasContent(in), CanvasContent::shaderMaterial);
}

TEST(CanvasContent, OnlyDrawingsThatChangeWithTheClockRedrawOnATimer) {
    forEveryCombination([](const CanvasInputs& in) {
        const bool ticks = canvasRedrawsWithClock(in);
        switch (canvasContent(in)) {
        case CanvasContent::shaderMaterial: EXPECT_EQ(ticks, in.shaderPlaying && !in.reduceMotion); break;
        case CanvasContent::animatedGradient: EXPECT_TRUE(ticks); break;
        case CanvasContent::timelineCanvas:
            // A photo is the same at every instant.
            EXPECT_EQ(ticks, in.wallpaperSource == WallpaperSource::gradient);
            break;
        case CanvasContent::grainGradient:
        case CanvasContent::stillCanvas: EXPECT_FALSE(ticks); break;
        }
        if (in.reduceMotion) {
            EXPECT_FALSE(ticks);
        }
    });
}

}  // namespace
}  // namespace glimora
