// Random shape designs for the checks that two ways of colouring cells agree.
#pragma once

#include <iterator>
#include <limits>
#include <random>

#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer::test {

// Design number `index` (its shape is index % 18) drawn from `random`. With
// `extremes`, one setting in eight is an extreme or a non-number, and one
// design in ten has more tone steps than the colorer tabulates.
inline WallpaperExportSettings randomDesign(std::mt19937_64& random, int index, bool extremes = false) {
    const auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    const auto coin = [&] { return (random() & 1) != 0; };
    const auto setting = [&](double lo, double hi) {
        if (!extremes || random() % 8 != 0) return uniform(lo, hi);
        const double extreme[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(), 1e300, -1e300, 0.0, -0.0, 1e-300,
                                  hi * 1e6, lo - 1e6};
        return extreme[random() % std::size(extreme)];
    };
    WallpaperExportSettings s;
    s.shape = NotchShape(index % 18);
    s.seed = random();
    s.angle = setting(0, 360);
    s.spread = setting(10, 300);
    s.centerX = setting(0, 100);
    s.centerY = setting(0, 100);
    s.phase = setting(0, 360);
    s.frequencyX = setting(1, 8);
    s.frequencyY = setting(1, 6);
    s.quantization = extremes && random() % 10 == 0 ? uniform(5000, 9000) : setting(2, 8);
    s.mirror = coin();
    s.invert = coin();
    s.okLab = coin();
    s.dither = DitherMode(random() % 6);
    s.chroma = coin() ? setting(0, 20) : 0;
    s.warp = coin() ? setting(0, 100) : 0;
    s.hue = coin() ? uniform(0, 360) : 0;
    s.brightness = coin() ? uniform(-100, 100) : 0;
    s.contrast = coin() ? uniform(0, 200) : 100;
    s.noise = coin() ? uniform(0, 100) : 0;
    s.scanlines = coin();
    s.vignette = coin();
    s.channel = StyleChannel(random() % 4);
    const std::size_t colours = random() % 7;
    for (std::size_t i = 0; i < colours; ++i) {
        const auto value = [&] { return std::uint8_t(random() % 256); };
        s.colors.push_back(i == 0 && coin() ? RGB{6, 3, 8} : RGB{value(), value(), value()});
    }
    return s;
}

}  // namespace glimora::WallpaperRenderer::test
