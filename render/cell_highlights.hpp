// The highlights of ribbonBands and glowDots on one sample, exactly and with
// rough calls; for the cell colouring's per-sample loops only.
#pragma once

#include <algorithm>
#include <cmath>

#include "render/cell_color.hpp"
#include "render/field_math.hpp"
#include "render/rough_math.hpp"

namespace glimora::WallpaperRenderer::detail {

inline constexpr RGB white{255, 255, 255};

inline RGB mix(RGB a, RGB b, double amount) {
    using fieldmath::byte;
    const double k = fieldmath::clampUnit(amount);
    return {byte(k * b.red + (1 - k) * a.red), byte(k * b.green + (1 - k) * a.green),
            byte(k * b.blue + (1 - k) * a.blue)};
}

template <class Calls>
double GlowHighlight::value(double x, double y, Calls& calls) const {
    const double a = std::abs(fieldmath::cell(columns * (x - centerX)));
    const double b = std::abs(fieldmath::cell(rows * (y - centerY)));
    const double dots = calls.exp(-calls.hypot(a, b) * sharpness);
    const double halo = calls.exp(-calls.hypot(1.1 * (x - centerX), 0.82 * (y - centerY)) / haloWidth);
    return std::min(1.0, 0.8 * dots + 0.22 * halo);
}

// Bounds on |channel before rounding with rough calls - the same exactly|,
// found as for the rough tone steps (shape_field.cpp): per operation the
// difference of its inputs times its slope plus one rounding per evaluation.
// A mix k x 255 + (1 - k) c rounds four times in each evaluation (2040 u in
// all) and moves by 255 |dk|; a darkening c x factor by 255 |dfactor| + 510 u.
namespace highlightBounds {
inline constexpr double u = fieldmath::unitRoundoff;
// glowDots: exp(-X) with X = hypot(...) x c as in the field's bound, c at
// most 1e100 (the sharpness) or 1 / 0.14 (the halo).
inline constexpr double glowTerm =
    fieldmath::roughExpError + 4 * u + 0.4 * (fieldmath::roughHypotError + 2 * u) + 1e-50;
inline constexpr double glowChannel = 255 * (0.28 * (1.02 * glowTerm + 4.1 * u) + 0.6 * u) + 2040 * u;
// ribbonBands, from a sine of the exact phase: s^10 and s^8 by repeated
// products round 9 and 7 times, glibc's pow once.
inline constexpr double ribbonMix =
    255 * (0.2 * (10 * fieldmath::roughTrigError + 12 * u) + 0.4 * u) + 2040 * u;
inline constexpr double ribbonDarkening =
    255 * (0.16 * (8 * fieldmath::roughTrigError + 10 * u) + 2.4 * u) + 510 * u;
inline constexpr double ribbonChannel = ribbonMix > ribbonDarkening ? ribbonMix : ribbonDarkening;
}  // namespace highlightBounds

// glowDots: the sample mixed toward white by 0.28 x the highlight.
inline RGB glowHighlighted(const GlowHighlight& glow, RGB color, double x, double y) {
    return mix(color, white, 0.28 * glow(x, y));
}

// The channels a sample contributes: all three, or with the chroma rule only
// one (0 red, 1 green, 2 blue; the cell takes no other from that sample).
inline constexpr int allChannels = -1;

// `settle(value, result)` for the channels that count; false when any of them
// stays in doubt. The others keep their value.
template <class Settle>
inline bool settleChannels(RGB color, int channel, Settle&& settle, RGB& out) {
    RGB result = color;
    bool settled;
    switch (channel) {
    case 0: settled = settle(color.red, result.red); break;
    case 1: settled = settle(color.green, result.green); break;
    case 2: settled = settle(color.blue, result.blue); break;
    default:
        settled = settle(color.red, result.red) && settle(color.green, result.green) &&
                  settle(color.blue, result.blue);
        break;
    }
    if (settled) out = result;
    return settled;
}

// glowHighlighted with rough calls, for the channels that count, when none of
// them is within `margin` of a rounding edge; false (out untouched) otherwise.
inline bool roughGlowHighlighted(const GlowHighlight& glow, RGB color, int channel, double x, double y,
                                 double margin, RGB& out) {
    fieldmath::RoughCalls calls;
    const double k = fieldmath::clampUnit(0.28 * glow.value(x, y, calls));
    if (!calls.valid) return false;
    return settleChannels(color, channel, [&](std::uint8_t value, std::uint8_t& result) {
        return fieldmath::certainByte(k * 255 + (1 - k) * value, margin, result);
    }, out);
}

// ribbonBands: the lightening toward white and the darkening at a phase.
inline RGB ribbonHighlighted(RGB color, double phase) {
    using fieldmath::byte;
    // Most phases leave both highlights too faint to move any channel by
    // half a step; a rough sine finds those, and only the others pay for the
    // exact sine and power. sin(phase + 0.72) <= 0.6 gives 0.2 x 0.6^10 x 255
    // < 0.31, so the mix returns the colour; sin(phase - 0.96) <= 0.55 gives
    // 0.16 x 0.55^8 x 255 < 0.35, so the darkening changes no channel.
    double sine = 0, cosine = 0;
    const bool rough = fieldmath::roughSinCos(phase, sine, cosine);
    const double up = phase + 0.72;
    if (!rough || sine * 0.751805729140895 + cosine * 0.6593846719714731 > 0.6 - 1e-6)
        color = mix(color, white, 0.2 * std::pow(std::max(0.0, std::sin(up)), 10));
    const double down = phase - 0.96;
    if (!rough || sine * 0.5735199860724567 - cosine * 0.8191915683009983 > 0.55 - 1e-6) {
        const double factor = 1 - 0.16 * std::pow(std::max(0.0, std::sin(down)), 8);
        color = {byte(color.red * factor), byte(color.green * factor), byte(color.blue * factor)};
    }
    return color;
}

// The ribbon highlights' two terms: the amount of the mix toward white and
// the darkening factor, as the plain formula has them (ribbonHighlighted
// skips whichever cannot matter).
struct RibbonTerms {
    double lighten, darken;
};

inline RibbonTerms ribbonTerms(double phase) {
    return {fieldmath::clampUnit(0.2 * std::pow(std::max(0.0, std::sin(phase + 0.72)), 10)),
            1 - 0.16 * std::pow(std::max(0.0, std::sin(phase - 0.96)), 8)};
}

// The same with rough sines and repeated products for the powers; false when
// a rough sine declines.
// The terms from rough sines of phase + 0.72 and phase - 0.96.
inline RibbonTerms ribbonTermsOfSines(double up, double down) {
    up = std::max(0.0, up);
    down = std::max(0.0, down);
    const double up2 = up * up;
    const double up4 = up2 * up2;
    const double down2 = down * down;
    const double down4 = down2 * down2;
    return {fieldmath::clampUnit(0.2 * (up4 * up4 * up2)), 1 - 0.16 * (down4 * down4)};
}

inline bool roughRibbonTerms(double phase, RibbonTerms& terms) {
    double up, down;
    if (!fieldmath::roughSin(phase + 0.72, up) || !fieldmath::roughSin(phase - 0.96, down)) return false;
    terms = ribbonTermsOfSines(up, down);
    return true;
}

// ribbonHighlighted from rough terms, for the channels that count, when none
// of them is within `margin` of a rounding edge after either step; false (out
// untouched) otherwise.
inline bool settledRibbonChannels(RGB color, int channel, const RibbonTerms& terms, double margin, RGB& out) {
    return settleChannels(color, channel, [&](std::uint8_t value, std::uint8_t& result) {
        std::uint8_t lightened;
        const double k = terms.lighten;
        return fieldmath::certainByte(k * 255 + (1 - k) * value, margin, lightened) &&
               fieldmath::certainByte(lightened * terms.darken, margin, result);
    }, out);
}

// The same with the terms worked out from the phase.
inline bool roughRibbonHighlighted(RGB color, int channel, double phase, double margin, RGB& out) {
    RibbonTerms terms;
    return roughRibbonTerms(phase, terms) && settledRibbonChannels(color, channel, terms, margin, out);
}

}  // namespace glimora::WallpaperRenderer::detail
