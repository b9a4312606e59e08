#include "render/radial_darkening_table.hpp"

#include <algorithm>
#include <tuple>
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
    // Room for every darkened stretch whole: the zeros trimmed from their
    // ends are a pixel or two, so the table is made without growing.
    std::size_t room = 0;
    for (std::int64_t y = 0; y < height; ++y) {
        const detail::RadialDarkeningRows::Row row = rows.row(y);
        room += std::size_t(row.clearBegin + (width - row.clearEnd));
    }
    if (room > std::numeric_limits<std::uint32_t>::max()) return false;
    levels_.reserve(room);
    // Each stretch's levels from its first pixel, as darkenRadial measures
    // them; only those between the first and last that are not 0 are kept
    // (0 leaves a pixel as it is).
    std::vector<std::uint32_t> levels(static_cast<std::size_t>(width));
    bool levelsOnly = true;
    for (std::int64_t y = 0; y < height && levelsOnly; ++y) {
        const detail::RadialDarkeningRows::Row row = rows.row(y);
        for (const auto& [side, from, to] : {std::tuple{0, std::int64_t(0), row.clearBegin},
                                             std::tuple{1, row.clearEnd, width}}) {
            if (to <= from) continue;
            detail::radialLevels(row.levels, from, to - from, levels.data());
            std::int64_t first = 0;
            std::int64_t last = to - from;
            while (first < last && levels[std::size_t(first)] == 0) ++first;
            while (last > first && levels[std::size_t(last - 1)] == 0) --last;
            if (last <= first) continue;
            rows_[std::size_t(y * 2 + side)] = {std::int32_t(from + first), std::int32_t(from + last),
                                                std::uint32_t(levels_.size())};
            for (std::int64_t i = first; i < last; ++i) {
                levelsOnly = levelsOnly && levels[std::size_t(i)] <= 255;
                levels_.push_back(std::uint8_t(levels[std::size_t(i)]));
            }
        }
    }
    if (!levelsOnly) {  // not levels: leave it to darkenRadial
        clear();
        return false;
    }
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
