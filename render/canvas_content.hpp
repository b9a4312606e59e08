// What the desktop canvas shows, and when it redraws on its own: pure
// functions of a few editor values, so the choice is tested without a screen.
#pragma once

#include "model/design_options.hpp"

namespace glimora {

// The drawings of the desktop canvas, in the order they are tried.
enum class CanvasContent {
    shaderMaterial,    // the material, over the whole desktop or inside its picture
    grainGradient,     // the grain gradient, redrawn on change only
    animatedGradient,  // the running shape animation
    timelineCanvas,    // the live canvas at the clock's time, redrawn on a timer
    stillCanvas,       // the live canvas with the design as set
};

// The editor values the choice reads.
struct CanvasInputs {
    bool shaderActive = false;
    bool shaderPlaying = false;
    bool grainGradientActive = false;
    WallpaperSource wallpaperSource = WallpaperSource::gradient;
    bool animationPlaying = false;
    bool reduceMotion = false;
    NotchShape shape = NotchShape::linear;

    friend bool operator==(const CanvasInputs&, const CanvasInputs&) = default;
};

// First match wins: the material while active; the grain gradient while
// active; the shape animation for a playing gradient design (reduced motion
// off) whose shape is none of smoothGradient, ribbonBands and glowDots; the
// timeline canvas for any other playing design (reduced motion off); else
// the still canvas.
CanvasContent canvasContent(const CanvasInputs& inputs);

// The shortest time between two frames of a running drawing.
inline constexpr double canvasFrameInterval = 1.0 / 30.0;

// Whether the chosen drawing changes with the clock, so that it is redrawn
// every canvasFrameInterval: a playing material, the shape animation, and
// the timeline canvas of a gradient design. A photo looks the same at every
// instant, so its timeline needs no frames; the rest redraw only when the
// editor changes, and an idle desktop costs nothing.
bool canvasRedrawsWithClock(const CanvasInputs& inputs);

}  // namespace glimora
