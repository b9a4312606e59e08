#include "state/desktop_canvas_inputs.hpp"

#include <gtest/gtest.h>

#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using Prop = NotchViewModel::Prop;

TEST(DesktopCanvasInputs, TheChoiceFollowsTheEditor) {
    test::ModelHarness harness;
    auto model = harness.make();
    EXPECT_EQ(canvasContent(canvasInputs(*model, false)), CanvasContent::stillCanvas);

    model->toggleAnimation();
    EXPECT_EQ(canvasContent(canvasInputs(*model, false)), CanvasContent::animatedGradient);
    EXPECT_TRUE(canvasRedrawsWithClock(canvasInputs(*model, false)));
    EXPECT_EQ(canvasContent(canvasInputs(*model, true)), CanvasContent::stillCanvas);

    model->selectShaderPattern(ShaderPattern::rings);  // stops the animation, starts the material
    const CanvasInputs material = canvasInputs(*model, false);
    EXPECT_EQ(canvasContent(material), CanvasContent::shaderMaterial);
    EXPECT_TRUE(material.shaderPlaying);
    EXPECT_FALSE(material.animationPlaying);
    model->toggleShaderPlayback();
    EXPECT_FALSE(canvasRedrawsWithClock(canvasInputs(*model, false)));

    model->turnOffShaderMaterial();
    model->selectGrainGradientMode(GrainGradientMode::bloom);
    EXPECT_EQ(canvasContent(canvasInputs(*model, false)), CanvasContent::grainGradient);
}

TEST(DesktopCanvasInputs, MaterialValuesComeStraightFromTheEditor) {
    test::ModelHarness harness;
    auto model = harness.make();
    model->setShaderSpeed(0);  // held at 0.01 material seconds per second
    model->setAngle(33);
    model->setShape(NotchShape::orbit);
    model->setShaderPattern(ShaderPattern::noise);
    model->setShaderMidColor({0.5, 0.25, 0.125});
    model->activateShaderMaterial();
    const double start = harness.clock->now();
    const ShaderMaterialInputs at = shaderMaterialInputs(*model, start + 100, 1280, 720);
    EXPECT_DOUBLE_EQ(at.materialTime, 1.0);
    EXPECT_EQ(at.width, 1280);
    EXPECT_EQ(at.height, 720);
    EXPECT_EQ(at.angle, 33);
    EXPECT_EQ(at.shape, NotchShape::orbit);
    EXPECT_EQ(at.pattern, ShaderPattern::noise);
    EXPECT_EQ(at.midColor, (Color{0.5, 0.25, 0.125}));
    EXPECT_EQ(at.seed, model->designSeed());
}

TEST(DesktopCanvasInputs, AMaterialRunningForDaysStillMoves) {
    test::ModelHarness harness;
    auto model = harness.make();
    model->setShaderSpeed(1.5);
    model->activateShaderMaterial();
    const double later = harness.clock->now() + 5 * 24 * 3600.0;
    const float a = shaderMaterialArguments(shaderMaterialInputs(*model, later, 10, 10))[1].value[0];
    const float b =
        shaderMaterialArguments(shaderMaterialInputs(*model, later + 1.0 / 30, 10, 10))[1].value[0];
    EXPECT_NEAR(b - a, 1.5f / 30, 1e-3f);
}

TEST(DesktopCanvasInputs, OnlyChangesThatCanShowRedrawTheDesktop) {
    for (const Prop prop :
         {Prop::expanded, Prop::selectedTab, Prop::exportStatus, Prop::copyStatus, Prop::recipeHistory,
          Prop::shaderStatus, Prop::grainGradientPreset, Prop::exportResolution}) {
        for (const CanvasContent content : {CanvasContent::shaderMaterial, CanvasContent::grainGradient,
                                            CanvasContent::animatedGradient, CanvasContent::stillCanvas}) {
            EXPECT_FALSE(affectsCanvasContent(content, prop)) << NotchViewModel::propName(prop);
        }
    }
    EXPECT_TRUE(affectsCanvasContent(CanvasContent::stillCanvas, Prop::hue));
    EXPECT_TRUE(affectsCanvasContent(CanvasContent::stillCanvas, Prop::imageAssets));
    EXPECT_TRUE(affectsCanvasContent(CanvasContent::grainGradient, Prop::grainGradientGlow));
    EXPECT_FALSE(affectsCanvasContent(CanvasContent::stillCanvas, Prop::shaderRelief));
    EXPECT_TRUE(affectsCanvasContent(CanvasContent::shaderMaterial, Prop::shaderRelief));
    EXPECT_TRUE(affectsCanvasContent(CanvasContent::shaderMaterial, Prop::phase));
    EXPECT_TRUE(affectsCanvasContent(CanvasContent::shaderMaterial, Prop::shaderSourceImage));
    EXPECT_FALSE(affectsCanvasContent(CanvasContent::shaderMaterial, Prop::hue));
    EXPECT_FALSE(affectsCanvasContent(CanvasContent::shaderMaterial, Prop::paletteIndex));
}

}  // namespace
}  // namespace glimora
