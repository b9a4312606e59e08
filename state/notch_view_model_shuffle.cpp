// The shuffle button: a new seed, then new values for the kind of design on
// screen (photo, grain gradient, smooth gradient or shape design), and the
// pins that keep single properties out of it.
#include <algorithm>
#include <array>
#include <climits>
#include <numeric>

#include "model/decimal_text.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

void NotchViewModel::shuffle() {
    Random& random = *services_.random;
    setDesignSeed(random.next64());
    if (wallpaperSource_ == WallpaperSource::image && !imageAssets_.empty()) {
        if (!isPinned(ShuffleProperty::image)) advanceImageShuffle();
        if (!isPinned(ShuffleProperty::imagePixelShape)) {
            static constexpr std::array shapes{ImagePixelShape::square, ImagePixelShape::dot,
                                               ImagePixelShape::diamond};
            setImagePixelShape(shapes[random.uniform(shapes.size())]);
        }
        if (!isPinned(ShuffleProperty::imagePixelSize))
            setImagePixelSize(static_cast<double>(random.uniform(101) + 20) / 10);
    } else if (grainGradientActive_) {
        shuffleGrainGradient();
    } else if (selectedTab_ == NotchTab::gradients && shape_ == NotchShape::smoothGradient) {
        shuffleSmoothGradient();
    } else {
        shuffleGradient();
    }
    recordHistory();
}

void NotchViewModel::togglePin(ShuffleProperty property) {
    updatePinnedProperties([property](std::set<ShuffleProperty>& pins) {
        if (pins.erase(property) == 0) pins.insert(property);
    });
    savePinnedProperties();
}

std::string NotchViewModel::grainGradientSignature() const {
    std::string text = "grain|";
    text += rawValue(grainGradientMode_);
    text += '|';
    text += std::to_string(paletteIndex_);
    for (const double value : {grainGradientScale_, grainGradientWarp_, grainGradientFlow_, grainGradientGlow_}) {
        text += '|';
        text += decimalText(value);
    }
    text += '|';
    text += std::to_string(designSeed_);
    return text;
}

void NotchViewModel::shuffleGrainGradient() {
    Random& random = *services_.random;
    setWallpaperSource(WallpaperSource::gradient);
    setGrainGradientActive(true);
    if (!isPinned(ShuffleProperty::palette))
        setPaletteIndex(static_cast<int>(random.uniform(builtInPalettes().size())));
    const std::string previous = grainGradientSignature();
    for (int attempt = 0; attempt < shuffleTryLimit; ++attempt) {
        setGrainGradientScale(static_cast<double>(28 + random.uniform(57)));
        setGrainGradientWarp(static_cast<double>(24 + random.uniform(69)));
        setGrainGradientFlow(static_cast<double>(random.uniform(101)));
        setGrainGradientGlow(static_cast<double>(24 + random.uniform(71)));
        std::string signature = grainGradientSignature();
        if (signature == previous) continue;
        if (grainGradientShuffleHistory_.insert(std::move(signature)).second) break;
    }
    setSelectedTab(NotchTab::gradients);
    if (shaderActive_) turnOffShaderMaterial();
}

void NotchViewModel::shuffleSmoothGradient() {
    Random& random = *services_.random;
    setWallpaperSource(WallpaperSource::gradient);
    setShape(NotchShape::smoothGradient);
    setGrainGradientActive(false);
    if (!isPinned(ShuffleProperty::palette))
        setPaletteIndex(static_cast<int>(random.uniform(builtInPalettes().size())));
    if (!isPinned(ShuffleProperty::angle)) setAngle(static_cast<double>(random.uniform(24) * 15));
    if (!isPinned(ShuffleProperty::spread)) setSpread(static_cast<double>((random.uniform(30) + 1) * 10));
    if (!isPinned(ShuffleProperty::phase)) setPhase(static_cast<double>(random.uniform(24) * 15));
    setSelectedTab(NotchTab::gradients);
    validateAnimationProperty();
}

void NotchViewModel::rebuildImageShuffleOrder() {
    std::vector<int> order(std::min<std::size_t>(imageAssets_.size(), INT_MAX));
    std::iota(order.begin(), order.end(), 0);
    services_.random->shuffle(order);
    // A new cycle never starts on the photo already shown.
    if (order.size() >= 2 && order.front() == currentImageIndex_) std::swap(order[0], order[1]);
    imageShuffleOrder_ = std::move(order);
    imageShufflePosition_ = 0;
}

void NotchViewModel::advanceImageShuffle() {
    if (imageAssets_.size() < 2) return;
    if (imageShufflePosition_ < 0 || static_cast<std::size_t>(imageShufflePosition_) >= imageShuffleOrder_.size() ||
        imageShuffleOrder_.size() != imageAssets_.size())
        rebuildImageShuffleOrder();
    setCurrentImageIndex(imageShuffleOrder_[static_cast<std::size_t>(imageShufflePosition_)]);
    ++imageShufflePosition_;
}

}  // namespace glimora
