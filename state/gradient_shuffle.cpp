// The shuffle of the shape design: new values for every unpinned property,
// drawn again until the design is new, differs from the one on screen and
// has visible contrast.
#include <array>
#include <cmath>

#include "render/cell_color.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_snapshot.hpp"

namespace glimora {

namespace {

// The shapes a shuffle may pick: never smoothGradient, glowDots or orbit.
constexpr std::array shapeDrawList{
    NotchShape::linear,  NotchShape::radial,       NotchShape::ribbonBands, NotchShape::conic,
    NotchShape::sine,    NotchShape::sunsetStrip,  NotchShape::diamond,     NotchShape::fractal,
    NotchShape::tree,    NotchShape::landscape,    NotchShape::petals,      NotchShape::crystal,
    NotchShape::spiral,  NotchShape::kaleidoscope, NotchShape::topography,
};

constexpr std::array ditherDrawList{DitherMode::off,          DitherMode::twoByTwo,
                                    DitherMode::fourByFour,   DitherMode::eightByEight,
                                    DitherMode::sixteenBySixteen, DitherMode::noise};

// Shapes whose look depends on the two frequencies.
bool isFrequencyShape(NotchShape shape) {
    switch (shape) {
    case NotchShape::ribbonBands:
    case NotchShape::glowDots:
    case NotchShape::sine:
    case NotchShape::sunsetStrip:
    case NotchShape::fractal:
    case NotchShape::tree:
    case NotchShape::landscape:
    case NotchShape::petals:
    case NotchShape::crystal:
    case NotchShape::spiral:
    case NotchShape::kaleidoscope:
    case NotchShape::topography:
    case NotchShape::orbit: return true;
    default: return false;
    }
}

// The shapes whose frequency the last-resort nudge moves.
bool isNudgedByFrequency(NotchShape shape) {
    return isFrequencyShape(shape) && shape != NotchShape::kaleidoscope && shape != NotchShape::topography &&
           shape != NotchShape::orbit;
}

}  // namespace

void NotchViewModel::shuffleGradient() {
    Random& random = *services_.random;
    const auto draw = [&random](std::uint64_t count) { return random.uniform(count); };
    const auto unpinned = [this](ShuffleProperty property) { return !isPinned(property); };
    using P = ShuffleProperty;

    const std::string before = gradientSignature();
    for (int attempt = 0; attempt < shuffleTryLimit; ++attempt) {
        if (unpinned(P::palette)) setPaletteIndex(static_cast<int>(draw(builtInPalettes().size())));
        if (unpinned(P::shape)) setShape(shapeDrawList[draw(shapeDrawList.size())]);
        if (unpinned(P::angle)) setAngle(15.0 * static_cast<double>(draw(24)));
        if (unpinned(P::spread) && shape_ != NotchShape::linear && shape_ != NotchShape::conic)
            setSpread(shape_ == NotchShape::radial ? 10.0 * static_cast<double>(10 + draw(21))
                                                   : 10.0 * static_cast<double>(1 + draw(30)));
        if (unpinned(P::centerX)) setCenterX(static_cast<double>(10 + draw(81)));
        if (unpinned(P::centerY)) setCenterY(static_cast<double>(10 + draw(81)));
        if (unpinned(P::phase)) setPhase(15.0 * static_cast<double>(draw(24)));
        if (unpinned(P::frequencyX) && isFrequencyShape(shape_))
            setFrequencyX(static_cast<double>(4 + draw(29)) * 0.25);
        if (unpinned(P::frequencyY) && isFrequencyShape(shape_))
            setFrequencyY(static_cast<double>(4 + draw(21)) * 0.25);
        if (unpinned(P::pixelScale)) setPixelScale(static_cast<double>(10 + draw(71)) / 10);
        if (unpinned(P::dither)) setDither(ditherDrawList[draw(ditherDrawList.size())]);
        if (unpinned(P::mirror)) setMirror(random.coin());
        if (unpinned(P::warp)) setWarp(5.0 * static_cast<double>(draw(21)));
        if (unpinned(P::scanlines)) setScanlines(draw(5) == 0);
        if (unpinned(P::rgbSplit)) setRgbSplit(draw(7) == 0);

        // Cheapest test first; the outcome is the same in any order.
        std::string signature = gradientSignature();
        if (signature == before || gradientShuffleHistory_.contains(signature)) continue;
        if (!WallpaperRenderer::hasVisibleContrast(makeExportSettings(*this))) continue;
        gradientShuffleHistory_.insert(std::move(signature));
        return;
    }

    // Nothing new came up (everything pinned, or a palette without contrast):
    // move one value on so the button still visibly does something.
    if (unpinned(P::phase))
        setPhase(std::fmod(phase_ + 15, 360));
    else if (unpinned(P::frequencyX) && isNudgedByFrequency(shape_))
        setFrequencyX(frequencyX_ >= 8 ? 1 : frequencyX_ + 0.25);
    else if (unpinned(P::pixelScale))
        setPixelScale(pixelScale_ >= 8 ? 1 : pixelScale_ + 0.1);
    gradientShuffleHistory_.insert(gradientSignature());
}

}  // namespace glimora
