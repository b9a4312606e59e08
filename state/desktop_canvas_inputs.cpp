#include "state/desktop_canvas_inputs.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

bool neverDrawn(Prop prop) {
    switch (prop) {
    case Prop::expanded:
    case Prop::notchPlacement:
    case Prop::customSideExpandedWidth:
    case Prop::pinnedProperties:
    case Prop::selectedTab:
    case Prop::grainGradientPreset:  // applied through the palette, never read by a drawing
    case Prop::shaderSourceName:
    case Prop::shaderStatus:
    case Prop::imageLook:  // a look sets the values that are drawn
    case Prop::imageStatus:
    case Prop::exportFormat:
    case Prop::exportResolution:
    case Prop::exportStatus:
    case Prop::copyStatus:
    case Prop::outputFolderURL:
    case Prop::recipeHistory:
    case Prop::recipeName:
    case Prop::recipeStatus:
    case Prop::activeRecipeID: return true;
    default: return false;
    }
}

bool materialSetting(Prop prop) {
    switch (prop) {
    case Prop::shaderPattern:
    case Prop::shaderActive:
    case Prop::shaderPlaying:
    case Prop::shaderSpeed:
    case Prop::shaderScale:
    case Prop::shaderDistortion:
    case Prop::shaderRelief:
    case Prop::shaderColorShift:
    case Prop::shaderIntensity:
    case Prop::shaderBaseColor:
    case Prop::shaderMidColor:
    case Prop::shaderHighlightColor:
    case Prop::shaderSourceImage: return true;
    default: return false;
    }
}

// The design values the material takes as arguments besides its own.
bool sharedWithMaterial(Prop prop) {
    switch (prop) {
    case Prop::designSeed:
    case Prop::shape:
    case Prop::angle:
    case Prop::spread:
    case Prop::centerX:
    case Prop::centerY:
    case Prop::phase:
    case Prop::frequencyX:
    case Prop::frequencyY: return true;
    default: return false;
    }
}

}  // namespace

CanvasInputs canvasInputs(const NotchViewModel& model, bool reduceMotion) {
    CanvasInputs inputs;
    inputs.shaderActive = model.shaderActive();
    inputs.shaderPlaying = model.shaderPlaying();
    inputs.grainGradientActive = model.grainGradientActive();
    inputs.wallpaperSource = model.wallpaperSource();
    inputs.animationPlaying = model.animationPlaying();
    inputs.reduceMotion = reduceMotion;
    inputs.shape = model.shape();
    return inputs;
}

ShaderMaterialInputs shaderMaterialInputs(const NotchViewModel& model, double now, double width,
                                          double height) {
    ShaderMaterialInputs in;
    in.width = width;
    in.height = height;
    in.materialTime = model.shaderMaterialTime(now);
    in.pattern = model.shaderPattern();
    in.scale = model.shaderScale();
    in.distortion = model.shaderDistortion();
    in.relief = model.shaderRelief();
    in.colorShift = model.shaderColorShift();
    in.intensity = model.shaderIntensity();
    in.seed = model.designSeed();
    in.shape = model.shape();
    in.angle = model.angle();
    in.spread = model.spread();
    in.centerX = model.centerX();
    in.centerY = model.centerY();
    in.phase = model.phase();
    in.frequencyX = model.frequencyX();
    in.frequencyY = model.frequencyY();
    in.baseColor = model.shaderBaseColor();
    in.midColor = model.shaderMidColor();
    in.highlightColor = model.shaderHighlightColor();
    return in;
}

bool affectsCanvasContent(CanvasContent content, Prop prop) {
    if (neverDrawn(prop)) return false;
    if (content == CanvasContent::shaderMaterial) return materialSetting(prop) || sharedWithMaterial(prop);
    return !materialSetting(prop) || prop == Prop::shaderActive;
}

}  // namespace glimora
