#include "model/design_options.hpp"

#include <algorithm>
#include <vector>

namespace glimora {

#define GLIMORA_CASE(E, c) std::pair<E, std::string_view>{E::c, #c}

const std::array<std::pair<WallpaperSource, std::string_view>, 2> EnumTraits<WallpaperSource>::table{
    {GLIMORA_CASE(WallpaperSource, gradient), GLIMORA_CASE(WallpaperSource, image)}};
const std::array<std::pair<NotchPlacement, std::string_view>, 4> EnumTraits<NotchPlacement>::table{
    {GLIMORA_CASE(NotchPlacement, top), GLIMORA_CASE(NotchPlacement, left), GLIMORA_CASE(NotchPlacement, right),
     GLIMORA_CASE(NotchPlacement, bottom)}};
const std::array<std::pair<NotchTab, std::string_view>, 10> EnumTraits<NotchTab>::table{
    {GLIMORA_CASE(NotchTab, image), GLIMORA_CASE(NotchTab, shape), GLIMORA_CASE(NotchTab, gradients),
     GLIMORA_CASE(NotchTab, color), GLIMORA_CASE(NotchTab, adjust), GLIMORA_CASE(NotchTab, style),
     GLIMORA_CASE(NotchTab, animation), GLIMORA_CASE(NotchTab, shader),
     // `export` is a C++ keyword; the stored raw value keeps the plain name.
     std::pair<NotchTab, std::string_view>{NotchTab::export_, "export"}, GLIMORA_CASE(NotchTab, history)}};
const std::array<std::pair<GrainGradientPreset, std::string_view>, 5> EnumTraits<GrainGradientPreset>::table{
    {GLIMORA_CASE(GrainGradientPreset, aurora), GLIMORA_CASE(GrainGradientPreset, ember),
     GLIMORA_CASE(GrainGradientPreset, ocean), GLIMORA_CASE(GrainGradientPreset, pastel),
     GLIMORA_CASE(GrainGradientPreset, spectrum)}};
const std::array<std::pair<GrainGradientMode, std::string_view>, 4> EnumTraits<GrainGradientMode>::table{
    {GLIMORA_CASE(GrainGradientMode, liquid), GLIMORA_CASE(GrainGradientMode, bloom),
     GLIMORA_CASE(GrainGradientMode, ribbon), GLIMORA_CASE(GrainGradientMode, halftone)}};
const std::array<std::pair<NotchShape, std::string_view>, 18> EnumTraits<NotchShape>::table{
    {GLIMORA_CASE(NotchShape, linear), GLIMORA_CASE(NotchShape, radial), GLIMORA_CASE(NotchShape, smoothGradient),
     GLIMORA_CASE(NotchShape, ribbonBands), GLIMORA_CASE(NotchShape, glowDots), GLIMORA_CASE(NotchShape, conic),
     GLIMORA_CASE(NotchShape, sine), GLIMORA_CASE(NotchShape, sunsetStrip), GLIMORA_CASE(NotchShape, diamond),
     GLIMORA_CASE(NotchShape, fractal), GLIMORA_CASE(NotchShape, tree), GLIMORA_CASE(NotchShape, landscape),
     GLIMORA_CASE(NotchShape, petals), GLIMORA_CASE(NotchShape, crystal), GLIMORA_CASE(NotchShape, spiral),
     GLIMORA_CASE(NotchShape, kaleidoscope), GLIMORA_CASE(NotchShape, topography), GLIMORA_CASE(NotchShape, orbit)}};
const std::array<std::pair<ShuffleProperty, std::string_view>, 19> EnumTraits<ShuffleProperty>::table{
    {GLIMORA_CASE(ShuffleProperty, palette), GLIMORA_CASE(ShuffleProperty, shape),
     GLIMORA_CASE(ShuffleProperty, angle), GLIMORA_CASE(ShuffleProperty, spread),
     GLIMORA_CASE(ShuffleProperty, centerX), GLIMORA_CASE(ShuffleProperty, centerY),
     GLIMORA_CASE(ShuffleProperty, phase), GLIMORA_CASE(ShuffleProperty, frequencyX),
     GLIMORA_CASE(ShuffleProperty, frequencyY), GLIMORA_CASE(ShuffleProperty, pixelScale),
     GLIMORA_CASE(ShuffleProperty, dither), GLIMORA_CASE(ShuffleProperty, mirror),
     GLIMORA_CASE(ShuffleProperty, warp), GLIMORA_CASE(ShuffleProperty, scanlines),
     GLIMORA_CASE(ShuffleProperty, rgbSplit), GLIMORA_CASE(ShuffleProperty, image),
     GLIMORA_CASE(ShuffleProperty, imagePixelShape), GLIMORA_CASE(ShuffleProperty, imagePixelSize),
     GLIMORA_CASE(ShuffleProperty, imageCellGap)}};
const std::array<std::pair<DitherMode, std::string_view>, 6> EnumTraits<DitherMode>::table{
    {GLIMORA_CASE(DitherMode, off), GLIMORA_CASE(DitherMode, twoByTwo), GLIMORA_CASE(DitherMode, fourByFour),
     GLIMORA_CASE(DitherMode, eightByEight), GLIMORA_CASE(DitherMode, sixteenBySixteen),
     GLIMORA_CASE(DitherMode, noise)}};
const std::array<std::pair<StyleChannel, std::string_view>, 4> EnumTraits<StyleChannel>::table{
    {GLIMORA_CASE(StyleChannel, rgb), GLIMORA_CASE(StyleChannel, red), GLIMORA_CASE(StyleChannel, green),
     GLIMORA_CASE(StyleChannel, blue)}};
const std::array<std::pair<AnimationProperty, std::string_view>, 10> EnumTraits<AnimationProperty>::table{
    {GLIMORA_CASE(AnimationProperty, angle), GLIMORA_CASE(AnimationProperty, spread),
     GLIMORA_CASE(AnimationProperty, centerX), GLIMORA_CASE(AnimationProperty, centerY),
     GLIMORA_CASE(AnimationProperty, phase), GLIMORA_CASE(AnimationProperty, frequencyX),
     GLIMORA_CASE(AnimationProperty, frequencyY), GLIMORA_CASE(AnimationProperty, warp),
     GLIMORA_CASE(AnimationProperty, noise), GLIMORA_CASE(AnimationProperty, chroma)}};
const std::array<std::pair<AnimationWaveform, std::string_view>, 3> EnumTraits<AnimationWaveform>::table{
    {GLIMORA_CASE(AnimationWaveform, sine), GLIMORA_CASE(AnimationWaveform, pingPong),
     GLIMORA_CASE(AnimationWaveform, noise)}};
const std::array<std::pair<ExportFormat, std::string_view>, 2> EnumTraits<ExportFormat>::table{
    {GLIMORA_CASE(ExportFormat, png), GLIMORA_CASE(ExportFormat, svg)}};
const std::array<std::pair<ExportResolution, std::string_view>, 3> EnumTraits<ExportResolution>::table{
    {GLIMORA_CASE(ExportResolution, hd), GLIMORA_CASE(ExportResolution, fourK),
     GLIMORA_CASE(ExportResolution, sixK)}};
const std::array<std::pair<ImagePixelLook, std::string_view>, 4> EnumTraits<ImagePixelLook>::table{
    {GLIMORA_CASE(ImagePixelLook, softDither), GLIMORA_CASE(ImagePixelLook, halftone),
     GLIMORA_CASE(ImagePixelLook, poster), GLIMORA_CASE(ImagePixelLook, monochrome)}};
const std::array<std::pair<ImageMosaicTileShape, std::string_view>, 5> EnumTraits<ImageMosaicTileShape>::table{
    {GLIMORA_CASE(ImageMosaicTileShape, square), GLIMORA_CASE(ImageMosaicTileShape, wide),
     GLIMORA_CASE(ImageMosaicTileShape, tall), GLIMORA_CASE(ImageMosaicTileShape, brick),
     GLIMORA_CASE(ImageMosaicTileShape, rounded)}};
const std::array<std::pair<ImageRenderMode, std::string_view>, 2> EnumTraits<ImageRenderMode>::table{
    {GLIMORA_CASE(ImageRenderMode, pixel), GLIMORA_CASE(ImageRenderMode, mosaic)}};
const std::array<std::pair<ImagePixelShape, std::string_view>, 3> EnumTraits<ImagePixelShape>::table{
    {GLIMORA_CASE(ImagePixelShape, square), GLIMORA_CASE(ImagePixelShape, dot),
     GLIMORA_CASE(ImagePixelShape, diamond)}};
const std::array<std::pair<ImageDitherStyle, std::string_view>, 4> EnumTraits<ImageDitherStyle>::table{
    {GLIMORA_CASE(ImageDitherStyle, none), GLIMORA_CASE(ImageDitherStyle, bayer4),
     GLIMORA_CASE(ImageDitherStyle, bayer8), GLIMORA_CASE(ImageDitherStyle, noise)}};
const std::array<std::pair<ImagePaletteMode, std::string_view>, 3> EnumTraits<ImagePaletteMode>::table{
    {GLIMORA_CASE(ImagePaletteMode, source), GLIMORA_CASE(ImagePaletteMode, current),
     GLIMORA_CASE(ImagePaletteMode, monochrome)}};
const std::array<std::pair<ShaderPattern, std::string_view>, 6> EnumTraits<ShaderPattern>::table{
    {GLIMORA_CASE(ShaderPattern, flow), GLIMORA_CASE(ShaderPattern, waves), GLIMORA_CASE(ShaderPattern, rings),
     GLIMORA_CASE(ShaderPattern, bands), GLIMORA_CASE(ShaderPattern, cells), GLIMORA_CASE(ShaderPattern, noise)}};

#undef GLIMORA_CASE

namespace {

template <class E>
std::vector<E> casesOf() {
    std::vector<E> cases;
    for (const auto& entry : EnumTraits<E>::table) cases.push_back(entry.first);
    return cases;
}

}  // namespace

template <OptionEnum E>
std::span<const E> everyCase() {
    static const std::vector<E> cases = casesOf<E>();
    return cases;
}

template <OptionEnum E>
    requires EnumTraits<E>::iterable
std::span<const E> allCases() {
    if constexpr (std::is_same_v<E, NotchTab>) {
        static const std::vector<NotchTab> tabs = [] {
            auto cases = casesOf<NotchTab>();
            std::erase(cases, NotchTab::shader);
            return cases;
        }();
        return tabs;
    } else {
        return everyCase<E>();
    }
}

#define GLIMORA_INSTANTIATE(E) template std::span<const E> everyCase<E>();
GLIMORA_INSTANTIATE(WallpaperSource)
GLIMORA_INSTANTIATE(ExportFormat)
GLIMORA_INSTANTIATE(ExportResolution)
#undef GLIMORA_INSTANTIATE
#define GLIMORA_INSTANTIATE(E) \
    template std::span<const E> everyCase<E>(); \
    template std::span<const E> allCases<E>();
GLIMORA_INSTANTIATE(NotchPlacement)
GLIMORA_INSTANTIATE(NotchTab)
GLIMORA_INSTANTIATE(GrainGradientPreset)
GLIMORA_INSTANTIATE(GrainGradientMode)
GLIMORA_INSTANTIATE(NotchShape)
GLIMORA_INSTANTIATE(ShuffleProperty)
GLIMORA_INSTANTIATE(DitherMode)
GLIMORA_INSTANTIATE(StyleChannel)
GLIMORA_INSTANTIATE(AnimationProperty)
GLIMORA_INSTANTIATE(AnimationWaveform)
GLIMORA_INSTANTIATE(ImagePixelLook)
GLIMORA_INSTANTIATE(ImageMosaicTileShape)
GLIMORA_INSTANTIATE(ImageRenderMode)
GLIMORA_INSTANTIATE(ImagePixelShape)
GLIMORA_INSTANTIATE(ImageDitherStyle)
GLIMORA_INSTANTIATE(ImagePaletteMode)
GLIMORA_INSTANTIATE(ShaderPattern)
#undef GLIMORA_INSTANTIATE

std::span<const NotchShape> shapeTabCases() {
    static constexpr std::array<NotchShape, 15> cases{
        NotchShape::linear, NotchShape::radial,     NotchShape::ribbonBands, NotchShape::conic,
        NotchShape::sine,   NotchShape::sunsetStrip, NotchShape::diamond,    NotchShape::fractal,
        NotchShape::tree,   NotchShape::landscape,  NotchShape::petals,      NotchShape::crystal,
        NotchShape::spiral, NotchShape::kaleidoscope, NotchShape::topography};
    return cases;
}

std::string_view title(NotchTab tab) {
    switch (tab) {
    case NotchTab::image: return "Image";
    case NotchTab::shape: return "Forms";
    case NotchTab::gradients: return "Gradient";
    case NotchTab::color: return "Palette";
    case NotchTab::adjust: return "Tuning";
    case NotchTab::style: return "Finish";
    case NotchTab::animation: return "Animation";
    case NotchTab::shader: return "Material";
    case NotchTab::export_: return "Output";
    case NotchTab::history: return "History";
    }
    return {};
}

std::string_view systemImage(NotchTab tab) {
    switch (tab) {
    case NotchTab::image: return "photo";
    case NotchTab::shape: return "square.grid.2x2";
    case NotchTab::gradients: return "circle.lefthalf.filled";
    case NotchTab::color: return "paintpalette";
    case NotchTab::adjust: return "slider.horizontal.3";
    case NotchTab::style: return "wand.and.stars";
    case NotchTab::animation: return "waveform.path.ecg";
    case NotchTab::shader: return "sparkles";
    case NotchTab::export_: return "arrow.down.doc";
    case NotchTab::history: return "clock.arrow.circlepath";
    }
    return {};
}

std::string_view title(NotchShape shape) {
    switch (shape) {
    case NotchShape::linear: return "Rayfield";
    case NotchShape::radial: return "Halo";
    case NotchShape::smoothGradient: return "Melt";
    case NotchShape::ribbonBands: return "Strata";
    case NotchShape::glowDots: return "Embers";
    case NotchShape::conic: return "Sweep";
    case NotchShape::sine: return "Pulse";
    case NotchShape::sunsetStrip: return "Horizon";
    case NotchShape::diamond: return "Facet";
    case NotchShape::fractal: return "Branch";
    case NotchShape::tree: return "Canopy";
    case NotchShape::landscape: return "Terrain";
    case NotchShape::petals: return "Bloom";
    case NotchShape::crystal: return "Prism";
    case NotchShape::spiral: return "Vortex";
    case NotchShape::kaleidoscope: return "Prismatics";
    case NotchShape::topography: return "Contours";
    case NotchShape::orbit: return "Orbitals";
    }
    return {};
}

std::string_view title(AnimationProperty property) {
    switch (property) {
    case AnimationProperty::angle: return "Twist";
    case AnimationProperty::spread: return "Reach";
    case AnimationProperty::centerX: return "Anchor X";
    case AnimationProperty::centerY: return "Anchor Y";
    case AnimationProperty::phase: return "Offset";
    case AnimationProperty::frequencyX: return "Density X";
    case AnimationProperty::frequencyY: return "Density Y";
    case AnimationProperty::warp: return "Bend";
    case AnimationProperty::noise: return "Grain";
    case AnimationProperty::chroma: return "Color Shift";
    }
    return {};
}

std::string_view help(AnimationProperty property) {
    switch (property) {
    case AnimationProperty::angle: return "Turn the pattern around its center";
    case AnimationProperty::spread: return "Push the pattern toward the edges";
    case AnimationProperty::centerX: return "Move the anchor from left to right";
    case AnimationProperty::centerY: return "Move the anchor from top to bottom";
    case AnimationProperty::phase: return "Slide the pattern through its cycle";
    case AnimationProperty::frequencyX: return "Change horizontal detail density";
    case AnimationProperty::frequencyY: return "Change vertical detail density";
    case AnimationProperty::warp: return "Bend the field as it moves";
    case AnimationProperty::noise: return "Add and remove surface grain";
    case AnimationProperty::chroma: return "Move the color channels apart";
    }
    return {};
}

std::string_view title(ShuffleProperty property) {
    switch (property) {
    case ShuffleProperty::palette: return "Color Set";
    case ShuffleProperty::shape: return "Pattern";
    case ShuffleProperty::angle: return "Twist";
    case ShuffleProperty::spread: return "Reach";
    case ShuffleProperty::centerX: return "Anchor X";
    case ShuffleProperty::centerY: return "Anchor Y";
    case ShuffleProperty::phase: return "Offset";
    case ShuffleProperty::frequencyX: return "Density X";
    case ShuffleProperty::frequencyY: return "Density Y";
    case ShuffleProperty::pixelScale: return "Cell Size";
    case ShuffleProperty::dither: return "Texture";
    case ShuffleProperty::mirror: return "Reflect";
    case ShuffleProperty::warp: return "Bend";
    case ShuffleProperty::scanlines: return "Line Texture";
    case ShuffleProperty::rgbSplit: return "Color Fringe";
    case ShuffleProperty::image: return "Source";
    case ShuffleProperty::imagePixelShape: return "Cell Form";
    case ShuffleProperty::imagePixelSize: return "Cell Size";
    case ShuffleProperty::imageCellGap: return "Cell Spacing";
    }
    return {};
}

bool applies(AnimationProperty property, NotchShape shape) {
    switch (property) {
    case AnimationProperty::angle: return shape != NotchShape::radial;
    case AnimationProperty::spread: return shape != NotchShape::linear;
    case AnimationProperty::phase: return shape != NotchShape::linear && shape != NotchShape::radial;
    default: return true;
    }
}

}  // namespace glimora
