// The gradient animation clock, the shader material clock, and the design
// selections that keep the animated property valid.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/file_read.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

namespace {

// A value that is not a number takes the floor: a NaN setting must not
// poison every frame.
double atLeast(double value, double floor) { return value >= floor ? value : floor; }

double clampTo(double value, double lower, double upper) { return std::min(atLeast(value, lower), upper); }

double wrapDegrees(double value) {
    const double remainder = std::fmod(value, 360.0);
    return remainder < 0 ? remainder + 360 : remainder;
}

double span(AnimationProperty property) {
    switch (property) {
    case AnimationProperty::angle:
    case AnimationProperty::phase: return 180;
    case AnimationProperty::spread: return 80;
    case AnimationProperty::centerX:
    case AnimationProperty::centerY:
    case AnimationProperty::warp:
    case AnimationProperty::noise: return 30;
    case AnimationProperty::frequencyX:
    case AnimationProperty::frequencyY: return 2;
    case AnimationProperty::chroma: return 10;
    }
    return 0;
}

double wave(AnimationWaveform waveform, double progress) {
    const double theta = 2 * std::numbers::pi * progress;
    switch (waveform) {
    case AnimationWaveform::sine: return std::sin(theta);
    case AnimationWaveform::pingPong: {
        const double rising = progress < 0.5 ? 2 * progress : 2 - 2 * progress;
        return 2 * rising - 1;
    }
    case AnimationWaveform::noise: {
        const double sum = 0.55 * std::sin(1.7 * theta + 0.4) + 0.3 * std::sin(3.9 * theta + 1.7) +
                           0.15 * std::sin(7.3 * theta + 2.9);
        return std::clamp(sum, -1.0, 1.0);
    }
    }
    return 0;
}

}  // namespace

double NotchViewModel::effectiveLoopDuration() const { return atLeast(animationLoopDuration_, 0.5); }
double NotchViewModel::effectiveAnimationSpeed() const { return atLeast(animationSpeed_, 0.01); }
double NotchViewModel::effectiveShaderSpeed() const { return atLeast(shaderSpeed_, 0.01); }

// Gradient animation

double NotchViewModel::animationProgress(double time) const {
    if (!animationStartTime_) return animationPausedProgress_;
    const double elapsed = atLeast(time - *animationStartTime_, 0);
    const double loops = elapsed * effectiveAnimationSpeed() / effectiveLoopDuration();
    if (!std::isfinite(loops)) return 0;
    return loops - std::trunc(loops);
}

std::vector<AnimationProperty> NotchViewModel::availableAnimationProperties() const {
    std::vector<AnimationProperty> available;
    if (wallpaperSource_ == WallpaperSource::image) return available;
    for (const AnimationProperty property : allCases<AnimationProperty>())
        if (applies(property, shape_)) available.push_back(property);
    return available;
}

void NotchViewModel::validateAnimationProperty() {
    const auto available = availableAnimationProperties();
    if (available.empty()) return;
    if (std::find(available.begin(), available.end(), animationProperty_) != available.end()) return;
    setAnimationProperty(available.front());
}

NotchViewModel::AnimatedValues NotchViewModel::animatedSnapshot(double time) const {
    AnimatedValues values{angle_,      spread_,     centerX_, centerY_, phase_,
                          frequencyX_, frequencyY_, warp_,    noise_,   chroma_};
    const bool animates = wallpaperSource_ == WallpaperSource::gradient &&
                          (animationPlaying_ || animationPausedProgress_ > 0.0001);
    if (!animates) return values;

    const double offset = wave(animationWaveform_, animationProgress(time)) * animationAmount_ / 100 *
                          span(animationProperty_);
    switch (animationProperty_) {
    case AnimationProperty::angle: values.angle = wrapDegrees(values.angle + offset); break;
    case AnimationProperty::spread:
        values.spread = clampTo(values.spread + offset, shape_ == NotchShape::radial ? 100 : 10, 300);
        break;
    case AnimationProperty::centerX: values.centerX = clampTo(values.centerX + offset, 0, 100); break;
    case AnimationProperty::centerY: values.centerY = clampTo(values.centerY + offset, 0, 100); break;
    case AnimationProperty::phase: values.phase = wrapDegrees(values.phase + offset); break;
    case AnimationProperty::frequencyX: values.frequencyX = clampTo(values.frequencyX + offset, 1, 8); break;
    case AnimationProperty::frequencyY: values.frequencyY = clampTo(values.frequencyY + offset, 1, 6); break;
    case AnimationProperty::warp: values.warp = clampTo(values.warp + offset, 0, 100); break;
    case AnimationProperty::noise: values.noise = clampTo(values.noise + offset, 0, 100); break;
    case AnimationProperty::chroma: values.chroma = clampTo(values.chroma + offset, 0, 20); break;
    }
    return values;
}

void NotchViewModel::toggleAnimation() {
    if (wallpaperSource_ == WallpaperSource::image || availableAnimationProperties().empty()) return;
    if (shaderActive_) turnOffShaderMaterial();
    const double now = services_.clock->now();
    if (animationPlaying_) {
        animationPausedProgress_ = animationProgress(now);
        animationStartTime_.reset();
        setAnimationPlaying(false);
    } else {
        // Continue the loop where it was paused.
        animationStartTime_ =
            now - effectiveLoopDuration() * animationPausedProgress_ / effectiveAnimationSpeed();
        setAnimationPlaying(true);
    }
}

void NotchViewModel::wallpaperSourceDidSet() {
    if (wallpaperSource_ != WallpaperSource::image) return;
    setAnimationPlaying(false);
    animationStartTime_.reset();
    animationPausedProgress_ = 0;
}

void NotchViewModel::stopGradientAnimation() {
    setAnimationPlaying(false);
    animationStartTime_.reset();
    animationPausedProgress_ = 0;
}

// Design selection

void NotchViewModel::selectShape(NotchShape shape) {
    setGrainGradientActive(false);
    setShape(shape);
    if (shape == NotchShape::radial) setSpread(std::max(spread_, 100.0));
    validateAnimationProperty();
    // Choosing a shape by hand pins it against shuffling.
    if (!isPinned(ShuffleProperty::shape)) {
        updatePinnedProperties([](auto& pins) { pins.insert(ShuffleProperty::shape); });
        savePinnedProperties();
    }
}

void NotchViewModel::selectSmoothGradient() {
    setWallpaperSource(WallpaperSource::gradient);
    setShape(NotchShape::smoothGradient);
    validateAnimationProperty();
    setSelectedTab(NotchTab::gradients);
    // After the tab observer, which turns the grain gradient on.
    setGrainGradientActive(false);
    if (shaderActive_) turnOffShaderMaterial();
}

void NotchViewModel::selectGrainGradientMode(GrainGradientMode mode) {
    setWallpaperSource(WallpaperSource::gradient);
    setGrainGradientMode(mode);
    if (shape_ == NotchShape::smoothGradient) setShape(NotchShape::linear);
    setGrainGradientActive(true);
    setSelectedTab(NotchTab::gradients);
    validateAnimationProperty();
    if (shaderActive_) turnOffShaderMaterial();
}

// Shader material

double NotchViewModel::shaderMaterialTime(double time) const {
    if (!shaderStartTime_) return shaderPausedTime_;
    return atLeast(time - *shaderStartTime_, 0) * effectiveShaderSpeed();
}

void NotchViewModel::startShaderClock() {
    if (shaderPlaying_) return;
    shaderStartTime_ = services_.clock->now() - shaderPausedTime_ / effectiveShaderSpeed();
    setShaderPlaying(true);
}

void NotchViewModel::stopShaderClock() {
    if (!shaderPlaying_) return;
    if (shaderStartTime_) shaderPausedTime_ = shaderMaterialTime(services_.clock->now());
    shaderStartTime_.reset();
    setShaderPlaying(false);
}

void NotchViewModel::activateShaderMaterial() {
    stopGradientAnimation();
    setShaderActive(true);
    startShaderClock();
}

void NotchViewModel::selectShaderPattern(ShaderPattern pattern) {
    stopGradientAnimation();
    setShaderPattern(pattern);
    setShaderActive(true);
    // A running material keeps its clock: no jump on a pattern change.
    startShaderClock();
}

void NotchViewModel::toggleShaderPlayback() {
    if (shaderPlaying_)
        stopShaderClock();
    else
        startShaderClock();
}

void NotchViewModel::turnOffShaderMaterial() {
    if (shaderPlaying_ && shaderStartTime_) shaderPausedTime_ = shaderMaterialTime(services_.clock->now());
    shaderStartTime_.reset();
    setShaderPlaying(false);
    setShaderActive(false);
    setShaderStatus("Shapes and pixels restored");
}

void NotchViewModel::resetShaderMaterial() {
    setShaderPattern(ShaderPattern::flow);
    setShaderSpeed(0.55);
    setShaderScale(1);
    setShaderDistortion(42);
    setShaderRelief(62);
    setShaderColorShift(18);
    setShaderIntensity(86);
    setShaderBaseColor(defaultShaderBaseColor);
    setShaderMidColor(defaultShaderMidColor);
    setShaderHighlightColor(defaultShaderHighlightColor);
    shaderPausedTime_ = 0;
    shaderStartTime_.reset();
    setShaderPlaying(false);
    activateShaderMaterial();
    setShaderStatus("Material reset");
}

void NotchViewModel::applyShaderSource(PixelImageBuffer image, std::string name) {
    setShaderSourceImage(std::move(image));
    setShaderSourceName(name);
    activateShaderMaterial();
    setShaderStatus("Using " + name);
}

void NotchViewModel::useFullDesktopMaterial() {
    ++shaderSourceGeneration_;
    setShaderSourceImage(std::nullopt);
    setShaderSourceName({});
    activateShaderMaterial();
    setShaderStatus("Full desktop material");
}

void NotchViewModel::useCurrentImageAsShaderSource() {
    const ImportedImageAsset* asset = currentImageAsset();
    if (!asset || !asset->preview) {
        setShaderStatus("Import an image or SVG first");
        return;
    }
    ++shaderSourceGeneration_;
    applyShaderSource(*asset->preview, asset->fileName);
}

void NotchViewModel::chooseShaderSource() {
    if (!services_.fileDialogs) return;
    FileDialogs::OpenOptions options;
    options.allowedTypes = {FileDialogs::FileType::image, FileDialogs::FileType::svg};
    options.prompt = "Use Shader Input";
    options.message = "Choose an image or SVG to fill with the selected material.";
    services_.fileDialogs->open(options, [self = weakSelf()](std::vector<std::filesystem::path> urls) {
        NotchViewModel* model = self.get();
        if (!model || urls.empty()) return;
        model->loadShaderSource(urls.front());
    });
}

void NotchViewModel::loadShaderSource(const std::filesystem::path& file) {
    const std::uint64_t generation = ++shaderSourceGeneration_;
    std::string name = file.filename().string();
    auto decode = [file, decoder = services_.decodeImage]() -> std::optional<PixelImageBuffer> {
        const auto bytes = readFileLimited(file, shaderSourceByteLimit);
        if (!bytes || !decoder) return std::nullopt;
        try {
            return decoder(*bytes, shaderSourceMaxPixelSize, nullptr);
        } catch (...) {
            return std::nullopt;
        }
    };
    auto finish = [self = weakSelf(), generation,
                   name = std::move(name)](std::optional<PixelImageBuffer> image) {
        NotchViewModel* model = self.get();
        // A later choice of picture wins over this one.
        if (!model || generation != model->shaderSourceGeneration_) return;
        if (image)
            model->applyShaderSource(std::move(*image), name);
        else
            model->setShaderStatus("Could not read that file");
    };
    const auto scheduler = services_.scheduler;
    if (!scheduler) {
        finish(decode());
        return;
    }
    scheduler->background([scheduler, decode = std::move(decode), finish = std::move(finish)]() mutable {
        auto image = decode();
        scheduler->post([finish = std::move(finish), image = std::move(image)]() mutable {
            finish(std::move(image));
        });
    });
}

}  // namespace glimora
