#include "geometry/panel_spring.hpp"

#include <cmath>
#include <numbers>

namespace glimora {

namespace {

std::array<double, 4> values(const PanelRect& rect) {
    // A negative size counts as its magnitude, as a standardised rectangle.
    return {rect.x, rect.y, std::fabs(rect.width), std::fabs(rect.height)};
}

}  // namespace

void PanelSpring::seed(const PanelRect& frame) {
    position_ = values(frame);
    velocity_ = {};
}

void PanelSpring::setTarget(const PanelRect& target, double response, double dampingFraction) {
    target_ = target;
    response_ = response;
    dampingFraction_ = dampingFraction;
}

bool PanelSpring::step(double interval) {
    double dt = interval;
    if (!(dt > smallestStep))
        dt = smallestStep;
    else if (dt > largestStep)
        dt = largestStep;
    const double response = response_ > smallestResponse ? response_ : smallestResponse;
    const double omega = 2 * std::numbers::pi / response;
    const double damping = 2 * dampingFraction_ * omega;
    const int substeps = std::max(1, int(std::ceil(omega * dt / largestOmegaStep)));
    const double h = dt / substeps;
    const auto target = values(target_);
    for (int i = 0; i < substeps; ++i) {
        for (std::size_t axis = 0; axis < 4; ++axis) {
            const double acceleration =
                -omega * omega * (position_[axis] - target[axis]) - damping * velocity_[axis];
            velocity_[axis] += h * acceleration;
            position_[axis] += h * velocity_[axis];
        }
    }
    bool settled = true;
    for (std::size_t axis = 0; axis < 4; ++axis)
        settled = settled && std::fabs(position_[axis] - target[axis]) < settleDistance &&
                  std::fabs(velocity_[axis]) < settleSpeed;
    if (settled) finish();
    return settled;
}

void PanelSpring::finish() {
    position_ = values(target_);
    velocity_ = {};
}

}  // namespace glimora
