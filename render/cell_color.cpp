#include "render/cell_color.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <unordered_set>

#include "render/cell_highlights.hpp"
#include "render/field_math.hpp"
#include "render/grain_gradient.hpp"
#include "render/shape_field_formulas.hpp"
#include "render/vector_units.hpp"

namespace glimora::WallpaperRenderer {

using fieldmath::clamp;
using fieldmath::clampUnit;
using fieldmath::pi;
using std::max;
using std::min;

using detail::mix;
using detail::white;
using fieldmath::byte;

namespace {

bool nearBlack(RGB color) { return color.red <= 8 && color.green <= 8 && color.blue <= 8; }

int bayerSize(DitherMode mode) {
    switch (mode) {
    case DitherMode::twoByTwo: return 2;
    case DitherMode::fourByFour: return 4;
    case DitherMode::eightByEight: return 8;
    case DitherMode::sixteenBySixteen: return 16;
    case DitherMode::off:
    case DitherMode::noise: return 0;
    }
    return 0;
}

// Tabulating the palette per tone step pays off up to this many steps; more
// than the editor can make anyway.
constexpr double maximumTabulatedSteps = 4096;

}  // namespace

RGB blendPalette(std::span<const RGB> colors, double t) {
    const std::size_t n = colors.size();
    if (n == 0) return {};
    if (n == 1) return colors[0];
    const double position = clampUnit(t) * double(n - 1);
    const double lower = std::floor(position);
    const std::size_t i = std::size_t(lower);
    const std::size_t j = min(i + 1, n - 1);
    const double f = position - lower;
    const RGB a = colors[i];
    const RGB b = colors[j];
    return {byte((1 - f) * a.red + f * b.red), byte((1 - f) * a.green + f * b.green),
            byte((1 - f) * a.blue + f * b.blue)};
}

RGB mixColor(RGB a, RGB b, double amount) { return mix(a, b, amount); }

RGB hueShift(RGB color, double degrees) {
    if (!std::isfinite(degrees) || std::abs(degrees) <= 0.001) return color;
    const double r = color.red / 255.0;
    const double g = color.green / 255.0;
    const double b = color.blue / 255.0;
    const double M = max(r, max(g, b));
    const double m = min(r, min(g, b));
    const double D = M - m;
    if (D <= 0.0001) return color;
    double H;
    if (M == r) H = std::fmod((g - b) / D, 6);
    else if (M == g) H = (b - r) / D + 2;
    else H = (r - g) / D + 4;
    double turned = std::fmod(60 * H + degrees, 360);
    if (turned < 0) turned += 360;
    const double h = turned / 60;
    const double C = D;
    const double X = C * (1 - std::abs(std::fmod(h, 2) - 1));
    const double base = M - C;
    double red, green, blue;
    if (h < 1) red = C, green = X, blue = 0;
    else if (h < 2) red = X, green = C, blue = 0;
    else if (h < 3) red = 0, green = C, blue = X;
    else if (h < 4) red = 0, green = X, blue = C;
    else if (h < 5) red = X, green = 0, blue = C;
    else red = C, green = 0, blue = X;
    return {byte((base + red) * 255), byte((base + green) * 255), byte((base + blue) * 255)};
}

RGB vignette(RGB color, double x, double y) {
    const double d = (std::hypot(2 * (x - 0.5), 2 * (y - 0.5)) - 0.45) / 0.95;
    if (d <= 0) return color;
    const double factor = 1 - 0.72 * min(d, 1.0);
    return {byte(color.red * factor), byte(color.green * factor), byte(color.blue * factor)};
}

RGB channelFilter(RGB color, StyleChannel channel) {
    switch (channel) {
    case StyleChannel::rgb: return color;
    case StyleChannel::red: return {color.red, 0, 0};
    case StyleChannel::green: return {0, color.green, 0};
    case StyleChannel::blue: return {0, 0, color.blue};
    }
    return color;
}

namespace detail {

RibbonPhase::RibbonPhase(const WallpaperExportSettings& settings) {
    const double a = settings.angle * pi / 180;
    p = settings.phase * pi / 180;
    cosA = std::cos(a);
    sinA = std::sin(a);
    band = 2 * pi * max(2.0, settings.spread / 22);
    const double warp = std::isnan(settings.warp) ? 0 : settings.warp;
    amplitude = min(warp, 100.0) / 1000 + 0.08;
    waves = 2 * pi * max(1.0, settings.frequencyX);
    centerX = settings.centerX / 100;
}

double RibbonPhase::wave(double x) const { return std::sin(p + waves * (x - centerX)); }

double RibbonPhase::withWave(double x, double y, double waveAtX) const {
    return p + band * ((x - 0.5) * sinA + (y - 0.5) * cosA + amplitude * waveAtX);
}

double RibbonPhase::operator()(double x, double y) const { return withWave(x, y, wave(x)); }

GlowHighlight::GlowHighlight(const WallpaperExportSettings& settings) {
    centerX = settings.centerX / 100;
    centerY = settings.centerY / 100;
    columns = max(3.0, 2.2 * settings.frequencyX);
    rows = max(2.0, 2 * settings.frequencyY);
    sharpness = max(18.0, settings.spread / 4);
    haloWidth = max(0.14, settings.spread / 240);
}

double GlowHighlight::operator()(double x, double y) const {
    fieldmath::ExactCalls calls;
    return value(x, y, calls);
}

CellAdjustment::CellAdjustment(const WallpaperExportSettings& settings, std::array<std::uint64_t, 3> channelKeys)
    : keys(channelKeys) {
    hue = settings.hue;
    gain = settings.contrast >= 0 ? settings.contrast / 100 : 0;
    offset = settings.brightness / 100 * 255;
    amplitude = clamp(settings.noise, 0, 100) / 100 * 28;
    seed = settings.seed;
    // Channels are whole numbers, so (0 + c - 127.5) * 1 + 127.5 gives c back
    // exactly: such a cell needs no work at all.
    shiftsHue = std::isfinite(hue) && std::abs(hue) > 0.001;
    identity = !shiftsHue && gain == 1 && offset == 0 && amplitude == 0;
}

RGB CellAdjustment::operator()(RGB color, std::int64_t row, std::int64_t column) const {
    if (identity) return color;
    return afterHue(hueShift(color, hue), row, column);
}

RGB CellAdjustment::apply(RGB color, std::int64_t row, std::int64_t column, HueCache& cache) const {
    if (identity) return color;
    if (shiftsHue) {
        const std::uint32_t key = color.packed() + 1;
        const std::size_t slot = (key * 2654435761u) >> 26;
        if (cache.keys[slot] != key) {
            cache.keys[slot] = key;
            cache.values[slot] = hueShift(color, hue);
        }
        color = cache.values[slot];
    }
    return afterHue(color, row, column);
}

RGB CellAdjustment::afterHue(RGB color, std::int64_t row, std::int64_t column) const {
    const std::uint64_t key = std::uint64_t(max<std::int64_t>(row, 0)) * 15731u +
                              std::uint64_t(max<std::int64_t>(column, 0)) * 789221u + seed;
    const auto channel = [&](std::uint8_t value, std::uint64_t keyOffset) {
        double result = (offset + value - 127.5) * gain + 127.5;
        // Without noise the term is a signed zero, which changes no sum.
        if (amplitude > 0) result = result + amplitude * (2 * fieldmath::sineFraction(key + keyOffset) - 1);
        return byte(result);
    };
    return {channel(color.red, keys[0]), channel(color.green, keys[1]), channel(color.blue, keys[2])};
}

}  // namespace detail

double ribbonPhase(const WallpaperExportSettings& settings, double x, double y) {
    return detail::RibbonPhase(settings)(x, y);
}

double glowHighlight(const WallpaperExportSettings& settings, double x, double y) {
    return detail::GlowHighlight(settings)(x, y);
}

RGB adjustCell(RGB color, const WallpaperExportSettings& settings, std::int64_t row, std::int64_t column) {
    return detail::CellAdjustment(settings, detail::shapeCellKeys)(color, row, column);
}

CellColorer::CellColorer(const WallpaperExportSettings& settings, double roughMarginScale)
    : CellColorer(settings, roughMarginScale, {}, {}) {}

void CellColorer::remake(const WallpaperExportSettings& settings) {
    *this = CellColorer(settings, 1, std::move(colors_), std::move(steps_));
}

CellColorer::CellColorer(const WallpaperExportSettings& settings, double roughMarginScale,
                         std::vector<RGB>&& colorStorage, std::vector<StepColors>&& stepStorage)
    : field_(settings, roughMarginScale),
      shape_(settings.shape),
      colors_(std::move(colorStorage)),
      nearBlackFirst_(!settings.colors.empty() && nearBlack(settings.colors.front())),
      dither_(settings.dither),
      seed_(settings.seed),
      ribbon_(settings),
      glow_(settings),
      adjustment_(settings, detail::shapeCellKeys),
      channel_(settings.channel),
      scanlines_(settings.scanlines),
      vignette_(settings.vignette),
      steps_(std::move(stepStorage)) {
    colors_.assign(settings.colors.begin(), settings.colors.end());
    steps_.clear();
    bayerSize_ = bayerSize(dither_);
    for (int r = 0; r < bayerSize_; ++r)
        for (int c = 0; c < bayerSize_; ++c)
            bayer_[std::size_t(r * bayerSize_ + c)] = bayerThreshold(bayerSize_, r, c);

    const double warp = std::isnan(settings.warp) ? 0 : settings.warp;
    warpAmount_ = warp <= 0 ? 0 : min(warp, 100.0) / 100 * 0.14;
    warpPhase_ = (settings.angle + 0.35 * settings.phase) * pi / 180;
    chromaOffset_ = settings.chroma <= 0 ? 0 : clamp(settings.chroma, 0, 20) / 20 * 0.08;

    if (field_.stepDivisor() < maximumTabulatedSteps) {
        const auto count = std::size_t(field_.stepDivisor()) + 1;
        steps_.resize(count);
        for (std::size_t k = 0; k < count; ++k) {
            const double tone = field_.toneOfStep(double(k));
            StepColors& step = steps_[k];
            if (shape_ == NotchShape::ribbonBands || shape_ == NotchShape::glowDots) {
                step.nearest = step.lower = step.upper = blendPalette(colors_, tone);
                step.fraction = 0;
                step.dithered = false;
                continue;
            }
            const std::size_t n = colors_.size();
            if (n <= 1) {
                step.nearest = step.lower = step.upper = n == 0 ? RGB{} : colors_[0];
                step.fraction = 0;
                step.dithered = false;
                continue;
            }
            double t = clampUnit(tone);
            if (nearBlackFirst_) t = std::pow(t, 1.28);
            const double position = t * double(n - 1);
            const double lower = std::floor(position);
            const auto i = std::size_t(lower);
            step.lower = colors_[i];
            step.upper = colors_[min(i + 1, n - 1)];
            step.nearest = colors_[std::size_t(fieldmath::roundHalfAway(position))];
            step.fraction = position - lower;
            step.dithered = dither_ != DitherMode::off && step.lower != step.upper;
        }
    }

    // The margins take four times the proven bounds; never less.
    roughSteps_ = !steps_.empty() && ShapeField::hasRoughSteps(shape_) && field_.roughStepsUsable();
    const double widening = roughMarginScale > 1 ? roughMarginScale : 1;
    if (shape_ == NotchShape::ribbonBands)
        roughHighlightMargin_ = 4 * widening * detail::highlightBounds::ribbonChannel;
    // The glow's bound holds for a dot sharpness up to 1e100.
    if (shape_ == NotchShape::glowDots && glow_.sharpness <= 1e100)
        roughHighlightMargin_ = 4 * widening * detail::highlightBounds::glowChannel;
    if (!(roughHighlightMargin_ < 0.5)) roughHighlightMargin_ = 1;
}

double CellColorer::threshold(std::int64_t row, std::int64_t column) const {
    if (bayerSize_ > 0) {
        const std::int64_t mask = bayerSize_ - 1;
        return bayer_[std::size_t((row & mask) * bayerSize_ + (column & mask))];
    }
    const std::uint64_t key = std::uint64_t(max<std::int64_t>(row, 0)) * 668265263u +
                              std::uint64_t(max<std::int64_t>(column, 0)) * 374761393u + seed_;
    return double(key % 1000) / 1000;
}

RGB CellColorer::paletteColor(double tone, std::int64_t row, std::int64_t column) const {
    if (shape_ == NotchShape::ribbonBands || shape_ == NotchShape::glowDots) return blendPalette(colors_, tone);
    const std::size_t n = colors_.size();
    if (n == 0) return {};
    if (n == 1) return colors_[0];
    double t = clampUnit(tone);
    if (nearBlackFirst_) t = std::pow(t, 1.28);
    const double position = t * double(n - 1);
    const double lower = std::floor(position);
    const auto i = std::size_t(lower);
    const std::size_t j = min(i + 1, n - 1);
    if (dither_ == DitherMode::off) return colors_[std::size_t(fieldmath::roundHalfAway(position))];
    return threshold(row, column) < position - lower ? colors_[j] : colors_[i];
}

inline RGB CellColorer::stepColor(double stepIndex, std::int64_t row, std::int64_t column) const {
    const StepColors& step = steps_[std::size_t(stepIndex)];
    if (!step.dithered) return step.nearest;
    return threshold(row, column) < step.fraction ? step.upper : step.lower;
}

inline RGB CellColorer::stepColorAt(double stepIndex, double threshold) const {
    const StepColors& step = steps_[std::size_t(stepIndex)];
    if (!step.dithered) return step.nearest;
    return threshold < step.fraction ? step.upper : step.lower;
}

RGB CellColorer::mapTone(double stepless, std::int64_t row, std::int64_t column) const {
    if (steps_.empty()) return paletteColor(field_.finishTone(stepless), row, column);
    return stepColor(field_.stepOf(stepless), row, column);
}

template <NotchShape S>
RGB CellColorer::sampleOf(std::int64_t column, std::int64_t row, double x, double y, const double* wave) const {
    RGB color = mapTone(field_.steplessToneOf<S>(x, y), row, column);
    if constexpr (S == NotchShape::glowDots) {
        color = detail::glowHighlighted(glow_, color, x, y);
    } else if constexpr (S == NotchShape::ribbonBands) {
        color = detail::ribbonHighlighted(color, wave ? ribbon_.withWave(x, y, *wave) : ribbon_(x, y));
    }
    return color;
}

template <NotchShape S>
RGB CellColorer::displacedSampleOf(std::int64_t column, std::int64_t row, double x, double y) const {
    if (warpAmount_ > 0) {
        const double wx = clampUnit(x + warpAmount_ * std::sin(2 * pi * y + warpPhase_));
        const double wy = clampUnit(y + warpAmount_ * std::cos(2 * pi * x - warpPhase_));
        return sampleOf<S>(column, row, wx, wy, nullptr);
    }
    return sampleOf<S>(column, row, x, y, nullptr);
}

template <NotchShape S>
RGB CellColorer::chromaColorOf(std::int64_t column, std::int64_t row, double x, double y) const {
    if (!(chromaOffset_ > 0)) return displacedSampleOf<S>(column, row, x, y);
    const RGB red = displacedSampleOf<S>(column, row, x + chromaOffset_, y);
    const RGB green = displacedSampleOf<S>(column, row, x, y);
    const RGB blue = displacedSampleOf<S>(column, row, x - chromaOffset_, y);
    return {red.red, green.green, blue.blue};
}

template <NotchShape S>
void CellColorer::fillRowsOf(const CellGrid& grid, std::int64_t firstRow, std::int64_t endRow, std::span<RGB> out,
                             CellFinish finish) const {
    // Per column: the three sampling abscissas of the chroma rule, their
    // vertical warp shift and, without warp, the ribbon wave. Per row: the
    // horizontal warp shift. Each is a function of x alone or y alone.
    constexpr std::size_t maximumColumns = 260;
    const auto columns = std::size_t(grid.columns);
    if (columns > maximumColumns) {
        std::size_t index = 0;
        for (std::int64_t row = firstRow; row < endRow; ++row)
            for (std::int64_t column = 0; column < grid.columns && index < out.size(); ++column)
                out[index++] = finish == CellFinish::raster
                                   ? rasterColor(column, row, grid.unitX(column), grid.unitY(row))
                                   : liveColor(column, row, grid.unitX(column), grid.unitY(row));
        return;
    }
    const bool chroma = chromaOffset_ > 0;
    const std::size_t samples = chroma ? 3 : 1;
    const bool warped = warpAmount_ > 0;
    std::array<double, maximumColumns> unitX;
    // Sample i = column x samples + k; k is red, green, blue with chroma.
    constexpr std::size_t maximumSamples = 3 * maximumColumns;
    std::array<double, maximumSamples> sampleX, shiftY, wave;
    for (std::size_t c = 0; c < columns; ++c) {
        const double x = grid.unitX(std::int64_t(c));
        unitX[c] = x;
        const std::array<double, 3> xs{x + chromaOffset_, x, x - chromaOffset_};
        for (std::size_t k = 0; k < samples; ++k) {
            const double sx = chroma ? xs[k] : x;
            sampleX[c * samples + k] = sx;
            if (warped) shiftY[c * samples + k] = warpAmount_ * std::cos(2 * pi * sx - warpPhase_);
            if constexpr (S == NotchShape::ribbonBands)
                if (!warped) wave[c * samples + k] = ribbon_.wave(sx);
        }
    }
    const std::size_t count = columns * samples;
    // Each stage runs over a whole row of samples: they are independent, so
    // the processor overlaps their long chains of arithmetic and calls.
    std::array<double, maximumSamples> px, py, tone, phase;
    std::array<bool, maximumSamples> settled;
    // ribbonBands: the arguments and rough values of the highlights' sines.
    struct RibbonSines {
        std::array<double, maximumSamples> upAngle, downAngle, upSine, downSine;
        std::array<bool, maximumSamples> upValid, downValid;
    };
    [[maybe_unused]] std::conditional_t<S == NotchShape::ribbonBands, RibbonSines, char> sines;
    // A row's dither thresholds, one per column, when a step may dither.
    std::array<double, maximumColumns> thresholds{};
    const bool dithers = dither_ != DitherMode::off;
    const bool roughHighlights = roughHighlightMargin_ < 0.5;
    detail::CellAdjustment::HueCache hueCache;
    const bool vectorLanes = vectorUnitsInUse();
    const bool quantized = !steps_.empty();
    const bool filtered = channel_ != StyleChannel::rgb;
    std::size_t index = 0;
    for (std::int64_t row = firstRow; row < endRow && index < out.size(); ++row) {
        const double y = grid.unitY(row);
        const double shiftX = warped ? warpAmount_ * std::sin(2 * pi * y + warpPhase_) : 0;
        // Without warp every sample of a row shares the column abscissas.
        const double* xs = warped ? px.data() : sampleX.data();
        if (warped) {
            for (std::size_t i = 0; i < count; ++i) {
                px[i] = clampUnit(sampleX[i] + shiftX);
                py[i] = clampUnit(y + shiftY[i]);
            }
        } else {
            std::fill_n(py.begin(), count, y);
        }
        // The vector units, where present, give the step (or the stepless
        // tone) of every sample at once, most steps settled by rough calls of
        // their own. Otherwise scalar rough calls settle most steps of the
        // shapes with hasRoughSteps (`tone` then holds the step), and the
        // exact formula takes the rest.
        bool toned = false;
        if (vectorLanes) toned = field_.vectorTones(xs, py.data(), count, tone.data(), quantized);
        const bool allSettled = toned && quantized;
        if (!allSettled) {
            std::fill_n(settled.begin(), count, false);
            if constexpr (ShapeField::hasRoughSteps(S))
                if (!toned && roughSteps_)
                    for (std::size_t i = 0; i < count; ++i)
                        settled[i] = field_.roughStepOf<S>(xs[i], py[i], tone[i]);
        }
        if (!toned)
            for (std::size_t i = 0; i < count; ++i)
                if (!settled[i]) tone[i] = field_.steplessToneOf<S>(xs[i], py[i]);
        // The ribbon highlights' two rough sines of every sample at once on
        // the vector units (bit for bit roughSin's), where present.
        bool ribbonSines = false;
        if constexpr (S == NotchShape::ribbonBands) {
            for (std::size_t i = 0; i < count; ++i)
                phase[i] = warped ? ribbon_(xs[i], py[i]) : ribbon_.withWave(xs[i], py[i], wave[i]);
            if (roughHighlights && vectorLanes) {
                for (std::size_t i = 0; i < count; ++i) {
                    sines.upAngle[i] = phase[i] + 0.72;
                    sines.downAngle[i] = phase[i] - 0.96;
                }
                ribbonSines = fieldmath::roughCallLanes(fieldmath::RoughCall::sin, sines.upAngle.data(), sines.upAngle.data(),
                                                        count, sines.upSine.data(), sines.upValid.data()) &&
                              fieldmath::roughCallLanes(fieldmath::RoughCall::sin, sines.downAngle.data(),
                                                        sines.downAngle.data(), count, sines.downSine.data(), sines.downValid.data());
            }
        }
        if (dithers && quantized) {
            if (bayerSize_ > 0) {
                const std::int64_t mask = bayerSize_ - 1;
                const double* bayerRow = &bayer_[std::size_t((row & mask) * bayerSize_)];
                for (std::size_t c = 0; c < columns; ++c) thresholds[c] = bayerRow[c & std::size_t(mask)];
            } else {
                for (std::size_t c = 0; c < columns; ++c) thresholds[c] = threshold(row, std::int64_t(c));
            }
        }
        // The cells of the row, with the sample count known at compile time.
        const auto assemble = [&](auto sampleCount) {
            constexpr std::size_t n = decltype(sampleCount)::value;
            for (std::size_t c = 0; c < columns && index < out.size(); ++c) {
                const auto column = std::int64_t(c);
                std::array<RGB, n> sampled;
                for (std::size_t k = 0; k < n; ++k) {
                    const std::size_t i = c * n + k;
                    const RGB base = allSettled || settled[i] ? stepColorAt(tone[i], thresholds[c])
                                                              : mapTone(tone[i], row, column);
                    RGB& color = sampled[k];
                    [[maybe_unused]] const int channel = n == 3 ? int(k) : detail::allChannels;
                    if constexpr (S == NotchShape::glowDots) {
                        if (!roughHighlights || !detail::roughGlowHighlighted(glow_, base, channel, xs[i], py[i],
                                                                              roughHighlightMargin_, color))
                            color = detail::glowHighlighted(glow_, base, xs[i], py[i]);
                    } else if constexpr (S == NotchShape::ribbonBands) {
                        bool settledHighlight;
                        if (ribbonSines)
                            settledHighlight = sines.upValid[i] && sines.downValid[i] &&
                                               detail::settledRibbonChannels(
                                                   base, channel, detail::ribbonTermsOfSines(sines.upSine[i], sines.downSine[i]),
                                                   roughHighlightMargin_, color);
                        else
                            settledHighlight = roughHighlights && detail::roughRibbonHighlighted(
                                                                      base, channel, phase[i], roughHighlightMargin_, color);
                        if (!settledHighlight) color = detail::ribbonHighlighted(base, phase[i]);
                    } else {
                        color = base;
                    }
                }
                RGB color = sampled[0];
                if constexpr (n == 3) color = RGB{sampled[0].red, sampled[1].green, sampled[2].blue};
                if (!adjustment_.identity) color = adjustment_.apply(color, row, column, hueCache);
                if (filtered) color = filter(color);
                if (finish == CellFinish::raster) color = rasterFinish(color, row, unitX[c], y);
                out[index++] = color;
            }
        };
        if (chroma) assemble(std::integral_constant<std::size_t, 3>{});
        else assemble(std::integral_constant<std::size_t, 1>{});
    }
}

RGB CellColorer::rasterFinish(RGB color, std::int64_t row, double x, double y) const {
    if (scanlines_ && (row & 1) == 0)
        color = {byte(color.red * 0.88), byte(color.green * 0.88), byte(color.blue * 0.88)};
    if (vignette_) color = vignette(color, x, y);
    return color;
}

RGB CellColorer::cellColor(std::int64_t column, std::int64_t row, double x, double y) const {
    return withShape(shape_, [&](auto s) { return displacedSampleOf<decltype(s)::value>(column, row, x, y); });
}

RGB CellColorer::chromaColor(std::int64_t column, std::int64_t row, double x, double y) const {
    return withShape(shape_, [&](auto s) { return chromaColorOf<decltype(s)::value>(column, row, x, y); });
}

RGB CellColorer::liveColor(std::int64_t column, std::int64_t row, double x, double y) const {
    return filter(adjust(chromaColor(column, row, x, y), row, column));
}

RGB CellColorer::rasterColor(std::int64_t column, std::int64_t row, double x, double y) const {
    return rasterFinish(liveColor(column, row, x, y), row, x, y);
}

void CellColorer::fillRows(const CellGrid& grid, std::int64_t firstRow, std::int64_t endRow, std::span<RGB> out,
                           CellFinish finish) const {
    withShape(shape_, [&](auto s) { fillRowsOf<decltype(s)::value>(grid, firstRow, endRow, out, finish); });
}

RGB cellColor(const WallpaperExportSettings& settings, std::int64_t column, std::int64_t row, double x, double y) {
    return CellColorer(settings).cellColor(column, row, x, y);
}

bool hasVisibleContrast(const WallpaperExportSettings& settings) {
    if (settings.imageBuffer) return true;
    if (settings.grainGradientActive) return grainGradientHasContrast(settings);
    const CellColorer colorer(settings);
    std::unordered_set<std::uint32_t> distinct;
    int lowest = 255;
    int highest = 0;
    for (std::int64_t i = 0; i < 6; ++i) {
        for (std::int64_t j = 0; j < 10; ++j) {
            const RGB color = colorer.liveColor(j, i, double(j) / 9, double(i) / 5);
            distinct.insert(color.packed());
            const int luma = (299 * color.red + 587 * color.green + 114 * color.blue) / 1000;
            lowest = min(lowest, luma);
            highest = max(highest, luma);
        }
    }
    return distinct.size() >= 2 && highest - lowest > 9;
}

}  // namespace glimora::WallpaperRenderer
