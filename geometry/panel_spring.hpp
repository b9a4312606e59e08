// The spring that moves the panel's frame: origin x, origin y, width and
// height each follow their target as a damped spring, one step per display
// refresh, until all four have settled.
#pragma once

#include <array>

#include "geometry/panel_rect.hpp"

namespace glimora {

class PanelSpring {
public:
    static constexpr double smallestStep = 1.0 / 240;
    static constexpr double largestStep = 1.0 / 30;
    static constexpr double smallestResponse = 0.08;
    static constexpr double defaultResponse = 0.24;
    static constexpr double expansionResponse = 0.3;
    static constexpr double layoutResponse = 0.22;
    static constexpr double settleDistance = 0.35;
    static constexpr double settleSpeed = 12;
    // The semi-implicit step is stable only while omega * dt stays well
    // below 1; a longer tick is split into sub-steps no longer than this.
    static constexpr double largestOmegaStep = 0.5;

    // Starts from a frame at rest.
    void seed(const PanelRect& frame);
    // A new target keeps the current position and velocity.
    void setTarget(const PanelRect& target, double response, double dampingFraction = 1.0);

    // One tick of `interval` seconds (the display's frame interval; clamped
    // to 1/240 ... 1/30, so a stall advances at most 1/30 s). True when the
    // spring has settled: it then rests exactly on the target.
    bool step(double interval);
    // Ends at the target, at rest.
    void finish();

    PanelRect frame() const { return {position_[0], position_[1], position_[2], position_[3]}; }
    PanelRect velocity() const { return {velocity_[0], velocity_[1], velocity_[2], velocity_[3]}; }
    const PanelRect& target() const { return target_; }
    double response() const { return response_; }

private:
    std::array<double, 4> position_{};
    std::array<double, 4> velocity_{};
    PanelRect target_;
    double response_ = defaultResponse;
    double dampingFraction_ = 1.0;
};

}  // namespace glimora
