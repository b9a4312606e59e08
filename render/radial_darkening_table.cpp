#include "render/radial_darkening_table.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "render/pixel_runs.hpp"

namespace glimora::WallpaperRenderer {

bool RadialDarkeningTable::make(const RadialDarkening& ramp, double scale, std::int64_t width,
                                std::int64_t height) {
    const Key key{ramp.centerX, ramp.centerY, ramp.inner, ramp.outer, ramp.peak, scale, width, height};
    if (!empty() && key == key_) return true;
    clear();
    const detail::RadialDarkeningRows rows(ramp, scale, width);
    if (!rows.darkens() || width <= 0 || height <= 0 || width > std::numeric_limits<std::int32_t>::max())
        return false;
    rows_.resize(std::size_t(height) * 2);
    constexpr std::int64_t chunk = 512;
    std::array<std::uint32_t, chunk> levels;
    // Each stretch's levels from its first pixel, as darkenRadial measures them.
    const auto eachStretch = [&](auto&& visit) {
        for (std::int64_t y = 0; y < height; ++y) {
            const detail::RadialDarkeningRows::Row row = rows.row(y);
            visit(y * 2, row.levels, std::int64_t(0), row.clearBegin);
            visit(y * 2 + 1, row.levels, row.clearEnd, width);
        }
    };
    // First where the levels are not 0 (0 leaves a pixel as it is), then
    // those levels.
    bool levelsOnly = true;
    std::size_t total = 0;
    eachStretch([&](std::int64_t index, const detail::RadialLevels& ramp, std::int64_t from, std::int64_t to) {
        std::int64_t first = to;
        std::int64_t last = from;
        for (std::int64_t x = from; x < to; x += chunk) {
            const std::int64_t count = std::min(chunk, to - x);
            detail::radialLevels(ramp, from, x - from, count, levels.data());
            for (std::int64_t i = 0; i < count; ++i) {
                const std::uint32_t level = levels[std::size_t(i)];
                levelsOnly = levelsOnly && level <= 255;
                if (level == 0) continue;
                first = std::min(first, x + i);
                last = x + i + 1;
            }
        }
        if (last <= first) return;
        rows_[std::size_t(index)] = {std::int32_t(first), std::int32_t(last), std::uint32_t(total)};
        total += std::size_t(last - first);
    });
    if (!levelsOnly || total > std::numeric_limits<std::uint32_t>::max()) {  // leave it to darkenRadial
        clear();
        return false;
    }
    levels_.resize(total);
    eachStretch([&](std::int64_t index, const detail::RadialLevels& ramp, std::int64_t from, std::int64_t) {
        const Stretch& stretch = rows_[std::size_t(index)];
        for (std::int64_t x = stretch.begin; x < stretch.end; x += chunk) {
            const std::int64_t count = std::min(chunk, stretch.end - x);
            detail::radialLevels(ramp, from, x - from, count, levels.data());
            std::copy_n(levels.begin(), count, levels_.begin() + std::ptrdiff_t(stretch.offset + (x - stretch.begin)));
        }
    });
    key_ = key;
    return true;
}

void RadialDarkeningTable::clear() {
    std::vector<Stretch>().swap(rows_);  // the memory too
    std::vector<std::uint8_t>().swap(levels_);
    key_ = {};
}

std::size_t RadialDarkeningTable::bytes() const {
    return rows_.capacity() * sizeof(Stretch) + levels_.capacity();
}

void RadialDarkeningTable::darkenRow(std::int64_t y, std::uint8_t* to, const std::uint8_t* from,
                                     std::int64_t clipBegin, std::int64_t clipEnd) const {
    std::int64_t x = clipBegin;
    const auto copyTo = [&](std::int64_t end) {
        if (end > x && to != from) std::memcpy(to + 4 * x, from + 4 * x, std::size_t(end - x) * 4);
        x = std::max(x, end);
    };
    for (int side = 0; side < 2; ++side) {
        const Stretch& stretch = rows_[std::size_t(y * 2 + side)];
        const std::int64_t begin = std::max<std::int64_t>(stretch.begin, x);
        const std::int64_t end = std::min<std::int64_t>(stretch.end, clipEnd);
        if (begin >= end) continue;
        copyTo(begin);
        darkenPixels(to + 4 * begin, from + 4 * begin, end - begin, levels_.data() + stretch.offset + (begin - stretch.begin));
        x = end;
    }
    copyTo(clipEnd);
}

}  // namespace glimora::WallpaperRenderer
