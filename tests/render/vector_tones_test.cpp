// The vector units must give every cell exactly the colour the scalar path
// gives: over random designs, at the extremes of every setting, with
// non-numbers, and for row lengths that do not fill the last group of lanes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/cell_color.hpp"
#include "render/shape_field.hpp"
#include "render/vector_units.hpp"
#include "tests/render/random_designs.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

// Restores the vector units however a test ends.
struct VectorUnitsRestored {
    ~VectorUnitsRestored() { allowVectorUnits(true); }
};

bool sameBits(double a, double b) {
    // A zero step may lose its sign on the scalar path (roundHalfAway says
    // so); no caller can tell.
    if (a == 0 && b == 0) return true;
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

std::vector<RGB> gridColours(const WallpaperExportSettings& s, const CellGrid& grid, CellFinish finish, bool vector) {
    allowVectorUnits(vector);
    const CellColorer colorer(s);
    std::vector<RGB> colours(std::size_t(grid.columns * grid.rows));
    colorer.fillRows(grid, 0, grid.rows, colours, finish);
    return colours;
}

TEST(VectorTones, WholeGridsEqualTheScalarPathOverRandomAndExtremeDesigns) {
    if (!vectorUnitsPresent()) GTEST_SKIP() << "this processor has no AVX2";
    VectorUnitsRestored restore;
    std::mt19937_64 random(20261209);
    int compared = 0;
    for (int design = 0; design < 360; ++design) {
        const WallpaperExportSettings s = test::randomDesign(random, design, true);
        // Canvases of several widths, so rows end in every lane of a group.
        const double widths[] = {1920, 170, 171, 173, 2560};
        const CellGrid grid = cellGrid(s, widths[design % 5], 1080);
        const CellFinish finish = design % 2 ? CellFinish::live : CellFinish::raster;
        const std::vector<RGB> vector = gridColours(s, grid, finish, true);
        const std::vector<RGB> scalar = gridColours(s, grid, finish, false);
        ASSERT_EQ(vector.size(), scalar.size());
        for (std::size_t i = 0; i < vector.size(); ++i) {
            ASSERT_EQ(vector[i], scalar[i]) << "design " << design << " " << rawValue(s.shape) << " cell " << i;
        }
        compared += int(vector.size());
    }
    EXPECT_GT(compared, 360 * 56);
}

TEST(VectorTones, StepsAndToneMatchEveryPointIncludingNonNumbers) {
    if (!vectorUnitsPresent()) GTEST_SKIP() << "this processor has no AVX2";
    VectorUnitsRestored restore;
    allowVectorUnits(true);
    std::mt19937_64 random(77);
    std::vector<double> xs, ys;
    for (int i = 0; i < 997; ++i) {  // not a multiple of four
        xs.push_back(std::uniform_real_distribution<double>(-0.2, 1.2)(random));
        ys.push_back(std::uniform_real_distribution<double>(-0.2, 1.2)(random));
    }
    for (double odd : {nan, inf, -inf, 0.0, -0.0, 1.0, 0.5, 1e300, -1e300, 4e-320}) {
        xs.push_back(odd), ys.push_back(0.3);
        xs.push_back(0.7), ys.push_back(odd);
        xs.push_back(odd), ys.push_back(odd);
    }
    int shapesWithLanes = 0;
    for (int design = 0; design < 180; ++design) {
        const WallpaperExportSettings s = test::randomDesign(random, design, true);
        const ShapeField field(s);
        for (const bool quantize : {false, true}) {
            for (const std::size_t count : {xs.size(), std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(4),
                                            std::size_t(5)}) {
                std::vector<double> out(count, -7.0);
                if (!field.vectorTones(xs.data(), ys.data(), count, out.data(), quantize)) {
                    EXPECT_FALSE(field.stepDivisor() < 4096)
                        << rawValue(s.shape);
                    EXPECT_EQ(out, std::vector<double>(count, -7.0)) << "declined, yet wrote";
                    continue;
                }
                ++shapesWithLanes;
                for (std::size_t i = 0; i < count; ++i) {
                    const double stepless = field.steplessTone(xs[i], ys[i]);
                    const double expected = quantize ? field.stepOf(stepless) : stepless;
                    ASSERT_TRUE(sameBits(out[i], expected))
                        << "design " << design << " " << rawValue(s.shape) << " point " << xs[i] << "," << ys[i]
                        << ": " << out[i] << " against " << expected;
                }
            }
        }
    }
    EXPECT_GT(shapesWithLanes, 1000);
}

TEST(VectorTones, TurnedOffTheScalarPathAnswers) {
    VectorUnitsRestored restore;
    WallpaperExportSettings s;
    s.shape = NotchShape::sine;
    const ShapeField field(s);
    const double x[] = {0.1, 0.2, 0.3, 0.4, 0.5};
    const double y[] = {0.5, 0.4, 0.3, 0.2, 0.1};
    double out[5] = {};
    allowVectorUnits(false);
    EXPECT_FALSE(vectorUnitsInUse());
    EXPECT_FALSE(field.vectorTones(x, y, 5, out, true));
    allowVectorUnits(true);
    EXPECT_EQ(vectorUnitsInUse(), vectorUnitsPresent());
    EXPECT_EQ(field.vectorTones(x, y, 5, out, false), vectorUnitsPresent());
    s.shape = NotchShape::ribbonBands;
    EXPECT_EQ(ShapeField(s).vectorTones(x, y, 5, out, true), vectorUnitsPresent());
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
