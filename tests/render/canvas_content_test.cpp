#include "render/canvas_content.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace glimora {
namespace {

using Source = WallpaperSource;
using Shape = NotchShape;
using Content = CanvasContent;

struct Case {
    CanvasInputs inputs;
    Content content;
    bool redrawsWithClock;
};

// Inputs: material active, material playing, grain active, source, animation
// playing, reduce motion, shape.
const Case cases[] = {
    {{false, false, false, Source::gradient, false, false, Shape::linear}, Content::stillCanvas, false},
    {{false, false, false, Source::image, false, false, Shape::linear}, Content::stillCanvas, false},
    {{false, true, false, Source::gradient, false, false, Shape::linear}, Content::stillCanvas, false},
    {{true, false, false, Source::gradient, false, false, Shape::linear}, Content::shaderMaterial, false},
    {{true, true, false, Source::gradient, false, false, Shape::linear}, Content::shaderMaterial, true},
    {{true, true, false, Source::image, true, false, Shape::glowDots}, Content::shaderMaterial, true},
    {{true, true, false, Source::gradient, false, true, Shape::linear}, Content::shaderMaterial, false},
    {{true, false, true, Source::gradient, true, false, Shape::linear}, Content::shaderMaterial, false},
    {{false, false, true, Source::gradient, false, false, Shape::linear}, Content::grainGradient, false},
    {{false, true, true, Source::image, true, false, Shape::linear}, Content::grainGradient, false},
    {{false, false, false, Source::gradient, true, false, Shape::linear}, Content::animatedGradient, true},
    {{false, false, false, Source::gradient, true, false, Shape::conic}, Content::animatedGradient, true},
    {{false, false, false, Source::gradient, true, true, Shape::linear}, Content::stillCanvas, false},
    {{false, false, false, Source::gradient, true, false, Shape::smoothGradient}, Content::timelineCanvas, true},
    {{false, false, false, Source::gradient, true, false, Shape::ribbonBands}, Content::timelineCanvas, true},
    {{false, false, false, Source::gradient, true, false, Shape::glowDots}, Content::timelineCanvas, true},
    {{false, false, false, Source::gradient, true, true, Shape::glowDots}, Content::stillCanvas, false},
    {{false, false, false, Source::image, true, false, Shape::linear}, Content::timelineCanvas, false},
    {{false, false, false, Source::image, true, false, Shape::smoothGradient}, Content::timelineCanvas, false},
    {{false, false, false, Source::image, true, true, Shape::linear}, Content::stillCanvas, false},
};

std::string describe(const CanvasInputs& in) {
    return std::string("shader ") + (in.shaderActive ? "on" : "off") + (in.shaderPlaying ? " playing" : "") +
           " grain " + (in.grainGradientActive ? "on" : "off") + " source " +
           std::string(rawValue(in.wallpaperSource)) + " playing " + (in.animationPlaying ? "yes" : "no") +
           " reduce " + (in.reduceMotion ? "yes" : "no") + " shape " + std::string(rawValue(in.shape));
}

TEST(CanvasContent, ChoiceAndRedrawForATableOfCases) {
    std::set<Content> seen;
    for (const Case& each : cases) {
        EXPECT_EQ(canvasContent(each.inputs), each.content) << describe(each.inputs);
        EXPECT_EQ(canvasRedrawsWithClock(each.inputs), each.redrawsWithClock) << describe(each.inputs);
        seen.insert(each.content);
    }
    EXPECT_EQ(seen.size(), 5u);  // every drawing is reachable
}

TEST(CanvasContent, APlayingGradientAnimatesEveryShapeButThree) {
    const std::set<Shape> drawnOnTheTimeline = {Shape::smoothGradient, Shape::ribbonBands, Shape::glowDots};
    for (const Shape shape : allCases<Shape>()) {
        const CanvasInputs in{false, false, false, Source::gradient, true, false, shape};
        EXPECT_EQ(canvasContent(in),
                  drawnOnTheTimeline.contains(shape) ? Content::timelineCanvas : Content::animatedGradient)
            << rawValue(shape);
    }
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

TEST(CanvasContent, ReducedMotionStopsEveryTimer) {
    for (const Case& each : cases) {
        CanvasInputs in = each.inputs;
        in.reduceMotion = true;
        EXPECT_FALSE(canvasRedrawsWithClock(in)) << describe(in);
    }
}

}  // namespace
}  // namespace glimora
