#include "model/palette.hpp"

#include <algorithm>
#include <cmath>

namespace glimora {

const std::vector<PaletteDefinition>& builtInPalettes() {
    namespace K = NamedColor;
    static const std::vector<PaletteDefinition> catalogue{
        {"CRT Night", {K::black, {0.12, 0, 0.68}, K::white}},
        {"Phosphor", {K::black, {0, 0.42, 0.05}, {0.65, 1, 0.65}}},
        {"Amber", {K::black, {0.62, 0.28, 0}, {1, 0.78, 0.12}}},
        {"Thermal", {K::black, K::blue, K::red, K::orange, K::white}},
        {"Signal", {K::black, K::blue, K::cyan, {0.1, 0.85, 0.55}, K::white}},
        {"VGA Gray", {K::black, K::grey(0.32), K::grey(0.72), K::white}},
        {"Plasma", {K::black, K::blue, K::purple, K::pink, K::orange, K::yellow}},
        {"Deep Scan", {K::black, {0, 0.2, 0.7}, {0.2, 0.7, 1}, K::white}},
        {"Crimson", {K::black, K::red, {1, 0.25, 0.25}, K::white}},
        {"Retro", {K::black, K::cyan, K::blue, K::purple, K::pink, K::orange, K::yellow}},
        {"Ocean", {K::black, K::blue, K::cyan, K::white}},
        {"Neon", {K::black, K::pink, K::cyan, K::yellow, K::pink}},
        {"Sunrise", {K::black, K::blue, K::purple, K::red, K::orange, K::yellow, K::white}},
        {"Ice", {K::white, {0.3, 0.65, 1}, K::blue, K::black}},
        {"Spectrum", {K::black, K::red, K::orange, K::yellow, K::green, K::cyan, K::blue, K::purple}},
        {"Matrix", {K::black, {0, 0.36, 0}, {0.5, 1, 0.5}}},
        {"Vaporwave", {K::black, K::purple, K::pink, K::cyan, K::white}},
        {"Cyberpunk", {K::black, K::cyan, K::pink, K::yellow, K::white}},
        {"Toxic", {K::black, K::green, {0.65, 1, 0}, K::yellow}},
        {"Lavender", {K::black, K::purple, {0.7, 0.45, 1}, K::white}},
        {"Copper", {K::black, K::orange, {0.8, 0.45, 0.25}, K::white}},
        {"Electric", {K::black, K::blue, K::cyan, K::white}},
        {"Magma", {K::black, K::purple, K::red, K::orange, K::yellow}},
        {"Arctic", {K::white, K::cyan, K::blue, K::black}},
        {"Forest", {K::black, K::green, {0.45, 0.85, 0.45}, K::white}},
        {"Sunset Strip", {K::black, K::blue, K::purple, K::red, K::orange, K::yellow, K::white}},
        {"Ultraviolet", {K::black, {0.18, 0, 0.6}, K::purple, {0.85, 0.45, 1}, K::white}},
        {"Rust", {K::black, {0.45, 0.1, 0}, K::orange, K::white}},
        {"Galaxy", {K::black, K::blue, K::purple, K::pink, K::white}},
        {"Synthwave", {K::black, K::blue, K::purple, K::pink, K::orange, K::yellow}},
        {"CGA", {K::black, K::cyan, K::pink, K::white}},
        {"Noir", {K::black, K::grey(0.22), K::grey(0.58), K::white}},
        {"Tidal", {K::black, {0.02, 0.16, 0.35}, {0, 0.65, 0.72}, {0.45, 1, 0.85}, K::white}},
        {"Cherry Ember", {K::black, {0.28, 0, 0.04}, {0.78, 0.06, 0.12}, {1, 0.35, 0.18}, {1, 0.75, 0.3}}},
        {"Orchid Bloom", {K::black, {0.16, 0, 0.32}, {0.55, 0.05, 0.8}, {0.95, 0.2, 0.75}, {1, 0.75, 0.95}}},
        {"Mosslight", {K::black, {0.03, 0.2, 0.08}, {0.2, 0.55, 0.18}, {0.7, 0.95, 0.15}, {1, 0.95, 0.45}}},
        {"Blueprint", {K::black, {0, 0.08, 0.25}, {0, 0.35, 0.85}, {0.25, 0.75, 1}, {0.78, 0.93, 1}}},
        {"Rose Gold", {K::black, {0.25, 0.04, 0.12}, {0.75, 0.2, 0.3}, {1, 0.52, 0.48}, {1, 0.82, 0.65}}},
        {"Dusk", {K::black, {0.05, 0.05, 0.2}, {0.22, 0.2, 0.52}, {0.55, 0.42, 0.82}, {0.9, 0.75, 1}}},
        {"Acid Rain", {K::black, {0, 0.24, 0.22}, {0, 0.65, 0.48}, {0.55, 1, 0.4}, {0.9, 1, 0.7}}},
        {"Cobalt Flame", {K::black, {0, 0.15, 0.75}, {0, 0.65, 1}, {1, 0.22, 0.08}, {1, 0.8, 0.2}}},
        {"Bubblegum", {K::black, {0.4, 0, 0.4}, {1, 0.15, 0.6}, {1, 0.55, 0.8}, {1, 0.9, 1}}},
        {"Sepia Glow", {K::black, {0.18, 0.07, 0.02}, {0.5, 0.22, 0.06}, {0.85, 0.48, 0.14}, {1, 0.85, 0.55}}},
        {"Mint Circuit", {K::black, {0, 0.2, 0.24}, {0, 0.7, 0.65}, {0.3, 1, 0.88}, {0.85, 1, 0.95}}},
        {"Solar Flare", {K::black, {0.35, 0.02, 0}, {0.9, 0.16, 0}, {1, 0.55, 0}, {1, 0.95, 0.55}}},
        {"Lunar", {K::black, {0.08, 0.1, 0.18}, {0.28, 0.35, 0.5}, {0.62, 0.72, 0.86}, {0.95, 0.98, 1}}},
        {"Prism", {K::black, {0.05, 0.3, 0.65}, {0.65, 0.1, 0.9}, {1, 0.2, 0.5}, {1, 0.85, 0.2}}},
        {"Seaglass", {K::black, {0.02, 0.18, 0.24}, {0.1, 0.58, 0.55}, {0.5, 0.9, 0.78}, {0.9, 1, 0.93}}},
    };
    return catalogue;
}

CustomPaletteStop CustomPaletteStop::fromColor(const Color& color) {
    auto unit = [](double c) { return std::isnan(c) ? 0.0 : std::clamp(c, 0.0, 1.0); };
    return {unit(color.red), unit(color.green), unit(color.blue)};
}

}  // namespace glimora
