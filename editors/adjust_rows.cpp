#include "editors/adjust_rows.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;
using SP = ShuffleProperty;

constexpr SliderRow twist{"Twist", Prop::angle, 0, 360, 1, SP::angle};
constexpr SliderRow radialReach{"Reach", Prop::spread, 100, 300, 1, SP::spread};
constexpr SliderRow stripReach{"Reach", Prop::spread, 10, 300, 1, SP::spread};
constexpr SliderRow feather{"Feather", Prop::spread, 10, 300, 1, SP::spread};
constexpr SliderRow tension{"Tension", Prop::spread, 10, 300, 1, SP::spread};
constexpr SliderRow span{"Span", Prop::spread, 10, 300, 1, SP::spread};
constexpr SliderRow offset{"Offset", Prop::phase, 0, 360, 1, SP::phase};
constexpr SliderRow anchorX{"Anchor X", Prop::centerX, 0, 100, 1, SP::centerX};
constexpr SliderRow anchorY{"Anchor Y", Prop::centerY, 0, 100, 1, SP::centerY};
constexpr SliderRow densityX{"Density X", Prop::frequencyX, 1, 8, 0.25, SP::frequencyX};
constexpr SliderRow densityY{"Density Y", Prop::frequencyY, 1, 6, 0.25, SP::frequencyY};
constexpr SliderRow repeatX{"Repeat X", Prop::frequencyX, 1, 8, 0.25, SP::frequencyX};
constexpr SliderRow repeatY{"Repeat Y", Prop::frequencyY, 1, 6, 0.25, SP::frequencyY};

}  // namespace

std::vector<AdjustRow> adjustRows(NotchShape shape) {
    switch (shape) {
    case NotchShape::linear:
        return {{twist, std::nullopt}, {anchorX, anchorY}};
    case NotchShape::radial:
        return {{twist, std::nullopt}, {anchorX, anchorY}, {radialReach, std::nullopt}};
    case NotchShape::smoothGradient:
        return {{twist, std::nullopt}, {anchorX, anchorY}, {feather, offset}};
    case NotchShape::conic:
        return {{twist, offset}, {anchorX, anchorY}};
    case NotchShape::sine:
        return {{twist, std::nullopt}, {densityX, densityY}, {anchorX, anchorY}, {tension, offset}};
    case NotchShape::sunsetStrip:
        return {{twist, std::nullopt}, {repeatX, repeatY}, {anchorX, anchorY}, {stripReach, offset}};
    case NotchShape::ribbonBands:
    case NotchShape::glowDots:
    case NotchShape::diamond:
    case NotchShape::fractal:
    case NotchShape::tree:
    case NotchShape::landscape:
    case NotchShape::petals:
    case NotchShape::crystal:
    case NotchShape::spiral:
    case NotchShape::kaleidoscope:
    case NotchShape::topography:
    case NotchShape::orbit:
        break;
    }
    return {{twist, offset}, {anchorX, anchorY}, {densityX, densityY}, {span, std::nullopt}};
}

SliderRow cellSizeSlider() { return {"Cell Size", Prop::pixelScale, 1, 8, 0.1, SP::pixelScale}; }
SliderRow toneStepsSlider() { return {"Tone Steps", Prop::quantization, 2, 8, 1, std::nullopt}; }

}  // namespace glimora
