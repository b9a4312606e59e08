#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/cell_grid.hpp"

namespace glimora::WallpaperRenderer {
namespace {

CellGrid gridAt(ExportResolution resolution, double pixelScale) {
    WallpaperExportSettings settings;
    settings.pixelScale = pixelScale;
    const PixelSize size = exportPixelSize(resolution);
    return cellGrid(settings, double(size.width), double(size.height));
}

TEST(CellGrid, ExportSizes) {
    EXPECT_EQ(exportPixelSize(ExportResolution::hd).width, 1920);
    EXPECT_EQ(exportPixelSize(ExportResolution::hd).height, 1080);
    EXPECT_EQ(exportPixelSize(ExportResolution::fourK).width, 3840);
    EXPECT_EQ(exportPixelSize(ExportResolution::fourK).height, 2160);
    EXPECT_EQ(exportPixelSize(ExportResolution::sixK).width, 6016);
    EXPECT_EQ(exportPixelSize(ExportResolution::sixK).height, 3384);
}

TEST(CellGrid, PixelScaleThreeAtEachResolution) {
    const CellGrid hd = gridAt(ExportResolution::hd, 3);
    EXPECT_EQ(hd.columns, 213);
    EXPECT_EQ(hd.rows, 120);
    EXPECT_EQ(hd.cellWidth, 9.014084507042254);
    EXPECT_EQ(hd.cellHeight, 9.0);
    EXPECT_EQ(hd.xDivisor, 212);
    EXPECT_EQ(hd.yDivisor, 119);
    EXPECT_EQ(hd.unitX(212), 1);
    EXPECT_EQ(hd.unitY(119), 1);

    const CellGrid fourK = gridAt(ExportResolution::fourK, 3);
    EXPECT_EQ(fourK.columns, 260);
    EXPECT_EQ(fourK.rows, 147);
    EXPECT_NEAR(fourK.cellWidth, 14.77, 0.005);
    const CellGrid sixK = gridAt(ExportResolution::sixK, 3);
    EXPECT_EQ(sixK.columns, 260);
    EXPECT_EQ(sixK.rows, 147);
    EXPECT_NEAR(sixK.cellWidth, 23.14, 0.005);
}

TEST(CellGrid, ColumnLimits) {
    EXPECT_EQ(gridAt(ExportResolution::hd, 0).columns, 260);
    EXPECT_EQ(gridAt(ExportResolution::hd, 0.3).columns, 260);  // 3 x 0.3 < 1 divides by 1
    EXPECT_EQ(gridAt(ExportResolution::sixK, -4).columns, 260);
    EXPECT_EQ(gridAt(ExportResolution::hd, 1000).columns, 56);
    EXPECT_EQ(gridAt(ExportResolution::hd, std::nan("")).columns, 260);  // a non-number divides by 1
    EXPECT_EQ(gridAt(ExportResolution::hd, std::numeric_limits<double>::infinity()).columns, 56);
}

TEST(CellGrid, SpansAreTruncatedAndAtLeastOnePixel) {
    const CellGrid hd = gridAt(ExportResolution::hd, 3);
    EXPECT_EQ(hd.columnSpan(0, 1920).begin, 0);
    EXPECT_EQ(hd.columnSpan(0, 1920).end, 9);
    EXPECT_EQ(hd.columnSpan(1, 1920).begin, 9);
    EXPECT_EQ(hd.columnSpan(1, 1920).end, 18);
    EXPECT_EQ(hd.columnSpan(212, 1920).begin, 1910);
    EXPECT_EQ(hd.columnSpan(212, 1920).end, 1920);
    EXPECT_EQ(hd.rowSpan(119, 1080).begin, 1071);
    EXPECT_EQ(hd.rowSpan(119, 1080).end, 1080);

    // 1920 / 220 columns: 220 x w comes out a hair below 1920, so the last
    // column stops one pixel short unless the covering span is asked for.
    WallpaperExportSettings settings;
    settings.pixelScale = 1920.0 / 220 / 3;
    const CellGrid short1920 = cellGrid(settings, 1920, 1080);
    ASSERT_EQ(short1920.columns, 220);
    EXPECT_EQ(short1920.columnSpan(219, 1920).end, 1919);
    EXPECT_EQ(short1920.coveringColumnSpan(219, 1920).end, 1920);
    EXPECT_EQ(short1920.coveringColumnSpan(218, 1920).end, short1920.columnSpan(218, 1920).end);
    settings.pixelScale = 3840.0 / 206 / 3;
    const CellGrid short3840 = cellGrid(settings, 3840, 2160);
    ASSERT_EQ(short3840.columns, 206);
    EXPECT_EQ(short3840.columnSpan(205, 3840).end, 3839);
    EXPECT_EQ(short3840.coveringColumnSpan(205, 3840).end, 3840);
    EXPECT_EQ(short3840.coveringRowSpan(short3840.rows - 1, 2160).end, 2160);

    // Cells narrower than a pixel still get one.
    const CellGrid narrow = cellGrid(WallpaperExportSettings{}, 100, 50);
    EXPECT_EQ(narrow.columns, 56);
    for (std::int64_t c = 0; c < narrow.columns; ++c) {
        const PixelSpan span = narrow.columnSpan(c, 100);
        EXPECT_GE(span.end - span.begin, 1);
        EXPECT_LE(span.end, 100);
    }
}

TEST(CellGrid, ShortCanvasDividesRowsByOne) {
    const CellGrid two = cellGrid(WallpaperExportSettings{}, 1920, 15);  // ceil(15 / 9.01) = 2
    EXPECT_EQ(two.rows, 2);
    EXPECT_EQ(two.yDivisor, 1);
    EXPECT_EQ(two.unitY(1), 1);
    const CellGrid three = cellGrid(WallpaperExportSettings{}, 1920, 20);
    EXPECT_EQ(three.rows, 3);
    EXPECT_EQ(three.yDivisor, 2);
}

TEST(CellGrid, DegenerateCanvasesStayBounded) {
    const WallpaperExportSettings settings;
    for (double width : {0.0, -5.0, 1e-300, std::nan("")}) {
        const CellGrid grid = cellGrid(settings, width, 1080);
        EXPECT_GE(grid.columns, 56);
        EXPECT_LE(grid.columns, 260);
        EXPECT_GE(grid.rows, 1);
        EXPECT_LE(grid.rows, CellGrid::maximumRows);
    }
    const CellGrid tall = cellGrid(settings, 1, 1e9);
    EXPECT_EQ(tall.rows, CellGrid::maximumRows);
    EXPECT_EQ(tall.cellHeight, 1e9 / double(CellGrid::maximumRows));
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
