// The option vocabulary of a design. Every enumeration crosses files and
// preferences as its raw value, which is the case name; those strings are a
// stored format and never change.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace glimora {

enum class WallpaperSource { gradient, image };
enum class NotchPlacement { top, left, right, bottom };
enum class NotchTab { image, shape, gradients, color, adjust, style, animation, shader, export_, history };
enum class GrainGradientPreset { aurora, ember, ocean, pastel, spectrum };
enum class GrainGradientMode { liquid, bloom, ribbon, halftone };
enum class NotchShape {
    linear, radial, smoothGradient, ribbonBands, glowDots, conic, sine, sunsetStrip, diamond,
    fractal, tree, landscape, petals, crystal, spiral, kaleidoscope, topography, orbit
};
enum class ShuffleProperty {
    palette, shape, angle, spread, centerX, centerY, phase, frequencyX, frequencyY, pixelScale,
    dither, mirror, warp, scanlines, rgbSplit, image, imagePixelShape, imagePixelSize, imageCellGap
};
enum class DitherMode { off, twoByTwo, fourByFour, eightByEight, sixteenBySixteen, noise };
enum class StyleChannel { rgb, red, green, blue };
enum class AnimationProperty { angle, spread, centerX, centerY, phase, frequencyX, frequencyY, warp, noise, chroma };
enum class AnimationWaveform { sine, pingPong, noise };
enum class ExportFormat { png, svg };
enum class ExportResolution { hd, fourK, sixK };
enum class ImagePixelLook { softDither, halftone, poster, monochrome };
enum class ImageMosaicTileShape { square, wide, tall, brick, rounded };
enum class ImageRenderMode { pixel, mosaic };
enum class ImagePixelShape { square, dot, diamond };
enum class ImageDitherStyle { none, bayer4, bayer8, noise };
enum class ImagePaletteMode { source, current, monochrome };
enum class ShaderPattern { flow, waves, rings, bands, cells, noise };

// Per-enumeration table: every case in declaration order with its raw value,
// and whether the enumeration offers allCases.
template <class E> struct EnumTraits;

#define GLIMORA_ENUM_TRAITS(E, ITERABLE, N)                                                \
    template <> struct EnumTraits<E> {                                                     \
        static constexpr bool iterable = ITERABLE;                                         \
        static const std::array<std::pair<E, std::string_view>, N> table;                  \
    };
GLIMORA_ENUM_TRAITS(WallpaperSource, false, 2)
GLIMORA_ENUM_TRAITS(NotchPlacement, true, 4)
GLIMORA_ENUM_TRAITS(NotchTab, true, 10)
GLIMORA_ENUM_TRAITS(GrainGradientPreset, true, 5)
GLIMORA_ENUM_TRAITS(GrainGradientMode, true, 4)
GLIMORA_ENUM_TRAITS(NotchShape, true, 18)
GLIMORA_ENUM_TRAITS(ShuffleProperty, true, 19)
GLIMORA_ENUM_TRAITS(DitherMode, true, 6)
GLIMORA_ENUM_TRAITS(StyleChannel, true, 4)
GLIMORA_ENUM_TRAITS(AnimationProperty, true, 10)
GLIMORA_ENUM_TRAITS(AnimationWaveform, true, 3)
GLIMORA_ENUM_TRAITS(ExportFormat, false, 2)
GLIMORA_ENUM_TRAITS(ExportResolution, false, 3)
GLIMORA_ENUM_TRAITS(ImagePixelLook, true, 4)
GLIMORA_ENUM_TRAITS(ImageMosaicTileShape, true, 5)
GLIMORA_ENUM_TRAITS(ImageRenderMode, true, 2)
GLIMORA_ENUM_TRAITS(ImagePixelShape, true, 3)
GLIMORA_ENUM_TRAITS(ImageDitherStyle, true, 4)
GLIMORA_ENUM_TRAITS(ImagePaletteMode, true, 3)
GLIMORA_ENUM_TRAITS(ShaderPattern, true, 6)
#undef GLIMORA_ENUM_TRAITS

template <class E>
concept OptionEnum = std::is_enum_v<E> && requires { EnumTraits<E>::table; };

// The raw value: the case name, as stored in recipes and preferences.
template <OptionEnum E>
inline std::string_view rawValue(E value) {
    return EnumTraits<E>::table[static_cast<std::size_t>(value)].second;
}

// `id` of the identifiable enumerations is the raw value.
template <OptionEnum E>
inline std::string_view id(E value) { return rawValue(value); }

// init(rawValue:): exact, case-sensitive match of a raw value; no value for
// any other string, the empty one included.
template <OptionEnum E>
std::optional<E> fromRawValue(std::string_view text) {
    for (const auto& [value, name] : EnumTraits<E>::table)
        if (name == text) return value;
    return std::nullopt;
}

// Every case in declaration order, including those left out of allCases
// (NotchTab.shader) and those of the non-iterable enumerations.
template <OptionEnum E>
std::span<const E> everyCase();

// allCases, only where the enumeration is iterable. NotchTab's list holds
// nine tabs: `shader` is a case but never shown in the tab strips.
template <OptionEnum E>
    requires EnumTraits<E>::iterable
std::span<const E> allCases();

// The shape grid's list: every shape but smoothGradient, glowDots and orbit.
std::span<const NotchShape> shapeTabCases();

std::string_view title(NotchTab tab);
std::string_view systemImage(NotchTab tab);
std::string_view title(NotchShape shape);
std::string_view title(AnimationProperty property);
std::string_view help(AnimationProperty property);
std::string_view title(ShuffleProperty property);

// Whether animating `property` changes how `shape` looks.
bool applies(AnimationProperty property, NotchShape shape);

}  // namespace glimora

