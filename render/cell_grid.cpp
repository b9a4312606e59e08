#include "render/cell_grid.hpp"

#include <algorithm>
#include <cmath>

#include "render/field_math.hpp"

namespace glimora::WallpaperRenderer {

PixelSize exportPixelSize(ExportResolution resolution) {
    switch (resolution) {
    case ExportResolution::hd: return {1920, 1080};
    case ExportResolution::fourK: return {3840, 2160};
    case ExportResolution::sixK: return {6016, 3384};
    }
    return {1920, 1080};
}

namespace {

// trunc(cell * index) as a pixel edge, kept inside 0...limit.
std::int64_t edge(double cell, std::int64_t index, std::int64_t limit) {
    const double value = fieldmath::clamp(std::trunc(cell * double(index)), 0, double(limit));
    return std::int64_t(value);
}

PixelSpan span(double cell, std::int64_t index, std::int64_t limit) {
    limit = std::max<std::int64_t>(limit, 0);
    const std::int64_t begin = edge(cell, index, limit);
    const std::int64_t end = std::min(std::max(begin + 1, edge(cell, index + 1, limit)), limit);
    return {begin, end};
}

}  // namespace

PixelSpan CellGrid::columnSpan(std::int64_t column, std::int64_t width) const {
    return span(cellWidth, column, width);
}

PixelSpan CellGrid::rowSpan(std::int64_t row, std::int64_t height) const {
    return span(cellHeight, row, height);
}

PixelSpan CellGrid::coveringColumnSpan(std::int64_t column, std::int64_t width) const {
    PixelSpan result = columnSpan(column, width);
    if (column == columns - 1) result.end = std::max<std::int64_t>(width, 0);
    return result;
}

PixelSpan CellGrid::coveringRowSpan(std::int64_t row, std::int64_t height) const {
    PixelSpan result = rowSpan(row, height);
    if (row == rows - 1) result.end = std::max<std::int64_t>(height, 0);
    return result;
}

CellGrid cellGrid(const WallpaperExportSettings& settings, double width, double height) {
    CellGrid grid;
    const double product = 3 * settings.pixelScale;
    const double divisor = product >= 1 ? product : 1;  // a non-number counts as 1
    grid.columns = std::int64_t(fieldmath::clamp(std::trunc(width / divisor), 56, 260));
    grid.cellWidth = width / double(grid.columns);
    const double exactRows = std::ceil(height / grid.cellWidth);
    grid.rows = std::int64_t(fieldmath::clamp(exactRows, 1, double(CellGrid::maximumRows)));
    grid.cellHeight = height / double(grid.rows);
    grid.xDivisor = double(grid.columns - 1);
    grid.yDivisor = exactRows > 2 ? double(grid.rows - 1) : 1;
    return grid;
}

}  // namespace glimora::WallpaperRenderer
