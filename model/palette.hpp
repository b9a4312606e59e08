// Palettes: the fixed catalogue of 48 and the stops of the custom palette.
#pragma once

#include <string>
#include <vector>

namespace glimora {

// An opaque sRGB colour with components nominally in 0...1.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;

    friend bool operator==(const Color&, const Color&) = default;
};

// The ten named colours, fixed so every renderer resolves them alike.
namespace NamedColor {
inline constexpr Color black{0, 0, 0};
inline constexpr Color white{1, 1, 1};
inline constexpr Color red{1, 0.231, 0.188};
inline constexpr Color orange{1, 0.584, 0};
inline constexpr Color yellow{1, 0.8, 0};
inline constexpr Color green{0.204, 0.78, 0.349};
inline constexpr Color cyan{0.196, 0.678, 0.902};
inline constexpr Color blue{0, 0.478, 1};
inline constexpr Color purple{0.686, 0.322, 0.871};
inline constexpr Color pink{1, 0.176, 0.333};
constexpr Color grey(double white) { return {white, white, white}; }
}  // namespace NamedColor

struct PaletteDefinition {
    std::string name;
    std::vector<Color> colors;
};

// The catalogue, built once on first use (thread-safe) and never changed.
// Index 48, the count, stands for the custom palette.
const std::vector<PaletteDefinition>& builtInPalettes();

struct CustomPaletteStop {
    double red = 0;
    double green = 0;
    double blue = 0;

    friend bool operator==(const CustomPaletteStop&, const CustomPaletteStop&) = default;

    // A picked colour becomes a stop: each component clamped into 0...1,
    // a component that is not a number becomes 0.
    static CustomPaletteStop fromColor(const Color& color);

    Color color() const { return {red, green, blue}; }
};

}  // namespace glimora
