#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/notch_metrics.hpp"
#include "model/palette.hpp"

namespace glimora {
namespace {

TEST(Palette, CatalogueMatchesItsTable) {
    const auto& palettes = builtInPalettes();
    ASSERT_EQ(palettes.size(), 48u);
    EXPECT_EQ(&palettes, &builtInPalettes());
    using namespace NamedColor;
    const std::vector<PaletteDefinition> expected{
        {"CRT Night", {black, {0.12, 0, 0.68}, white}},
        {"Phosphor", {black, {0, 0.42, 0.05}, {0.65, 1, 0.65}}},
        {"Amber", {black, {0.62, 0.28, 0}, {1, 0.78, 0.12}}},
        {"Thermal", {black, blue, red, orange, white}},
        {"Signal", {black, blue, cyan, {0.1, 0.85, 0.55}, white}},
        {"VGA Gray", {black, grey(0.32), grey(0.72), white}},
        {"Plasma", {black, blue, purple, pink, orange, yellow}},
        {"Deep Scan", {black, {0, 0.2, 0.7}, {0.2, 0.7, 1}, white}},
        {"Crimson", {black, red, {1, 0.25, 0.25}, white}},
        {"Retro", {black, cyan, blue, purple, pink, orange, yellow}},
        {"Ocean", {black, blue, cyan, white}},
        {"Neon", {black, pink, cyan, yellow, pink}},
        {"Sunrise", {black, blue, purple, red, orange, yellow, white}},
        {"Ice", {white, {0.3, 0.65, 1}, blue, black}},
        {"Spectrum", {black, red, orange, yellow, green, cyan, blue, purple}},
        {"Matrix", {black, {0, 0.36, 0}, {0.5, 1, 0.5}}},
        {"Vaporwave", {black, purple, pink, cyan, white}},
        {"Cyberpunk", {black, cyan, pink, yellow, white}},
        {"Toxic", {black, green, {0.65, 1, 0}, yellow}},
        {"Lavender", {black, purple, {0.7, 0.45, 1}, white}},
        {"Copper", {black, orange, {0.8, 0.45, 0.25}, white}},
        {"Electric", {black, blue, cyan, white}},
        {"Magma", {black, purple, red, orange, yellow}},
        {"Arctic", {white, cyan, blue, black}},
        {"Forest", {black, green, {0.45, 0.85, 0.45}, white}},
        {"Sunset Strip", {black, blue, purple, red, orange, yellow, white}},
        {"Ultraviolet", {black, {0.18, 0, 0.6}, purple, {0.85, 0.45, 1}, white}},
        {"Rust", {black, {0.45, 0.1, 0}, orange, white}},
        {"Galaxy", {black, blue, purple, pink, white}},
        {"Synthwave", {black, blue, purple, pink, orange, yellow}},
        {"CGA", {black, cyan, pink, white}},
        {"Noir", {black, grey(0.22), grey(0.58), white}},
        {"Tidal", {black, {0.02, 0.16, 0.35}, {0, 0.65, 0.72}, {0.45, 1, 0.85}, white}},
        {"Cherry Ember", {black, {0.28, 0, 0.04}, {0.78, 0.06, 0.12}, {1, 0.35, 0.18}, {1, 0.75, 0.3}}},
        {"Orchid Bloom", {black, {0.16, 0, 0.32}, {0.55, 0.05, 0.8}, {0.95, 0.2, 0.75}, {1, 0.75, 0.95}}},
        {"Mosslight", {black, {0.03, 0.2, 0.08}, {0.2, 0.55, 0.18}, {0.7, 0.95, 0.15}, {1, 0.95, 0.45}}},
        {"Blueprint", {black, {0, 0.08, 0.25}, {0, 0.35, 0.85}, {0.25, 0.75, 1}, {0.78, 0.93, 1}}},
        {"Rose Gold", {black, {0.25, 0.04, 0.12}, {0.75, 0.2, 0.3}, {1, 0.52, 0.48}, {1, 0.82, 0.65}}},
        {"Dusk", {black, {0.05, 0.05, 0.2}, {0.22, 0.2, 0.52}, {0.55, 0.42, 0.82}, {0.9, 0.75, 1}}},
        {"Acid Rain", {black, {0, 0.24, 0.22}, {0, 0.65, 0.48}, {0.55, 1, 0.4}, {0.9, 1, 0.7}}},
        {"Cobalt Flame", {black, {0, 0.15, 0.75}, {0, 0.65, 1}, {1, 0.22, 0.08}, {1, 0.8, 0.2}}},
        {"Bubblegum", {black, {0.4, 0, 0.4}, {1, 0.15, 0.6}, {1, 0.55, 0.8}, {1, 0.9, 1}}},
        {"Sepia Glow", {black, {0.18, 0.07, 0.02}, {0.5, 0.22, 0.06}, {0.85, 0.48, 0.14}, {1, 0.85, 0.55}}},
        {"Mint Circuit", {black, {0, 0.2, 0.24}, {0, 0.7, 0.65}, {0.3, 1, 0.88}, {0.85, 1, 0.95}}},
        {"Solar Flare", {black, {0.35, 0.02, 0}, {0.9, 0.16, 0}, {1, 0.55, 0}, {1, 0.95, 0.55}}},
        {"Lunar", {black, {0.08, 0.1, 0.18}, {0.28, 0.35, 0.5}, {0.62, 0.72, 0.86}, {0.95, 0.98, 1}}},
        {"Prism", {black, {0.05, 0.3, 0.65}, {0.65, 0.1, 0.9}, {1, 0.2, 0.5}, {1, 0.85, 0.2}}},
        {"Seaglass", {black, {0.02, 0.18, 0.24}, {0.1, 0.58, 0.55}, {0.5, 0.9, 0.78}, {0.9, 1, 0.93}}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(palettes[i].name, expected[i].name) << i;
        EXPECT_EQ(palettes[i].colors, expected[i].colors) << palettes[i].name;
    }
}

TEST(Palette, ColoursAreStoredAsWritten) {
    const auto& p = builtInPalettes();
    EXPECT_EQ(p[0].colors[1], (Color{0.12, 0, 0.68}));
    EXPECT_EQ(p[3].colors[2], (Color{1, 0.231, 0.188}));  // named red
    EXPECT_EQ(p[5].colors[1], (Color{0.32, 0.32, 0.32}));
    EXPECT_EQ(p[11].colors[1], p[11].colors[4]);          // Neon holds pink twice
    EXPECT_EQ(p[11].colors[1], (Color{1, 0.176, 0.333}));
    EXPECT_EQ(p[10].colors, p[21].colors);                // Ocean and Electric
    EXPECT_EQ(p[6].colors, p[29].colors);                 // Plasma and Synthwave
    EXPECT_EQ(p[12].colors, p[25].colors);                // Sunrise and Sunset Strip
    EXPECT_EQ(p[13].colors.front(), NamedColor::white);
    EXPECT_EQ(p[23].colors.back(), NamedColor::black);
    EXPECT_EQ(p[47].colors[4], (Color{0.9, 1, 0.93}));
    EXPECT_EQ(p[14].colors[4], (Color{0.204, 0.78, 0.349}));  // named green
    for (std::size_t i = 0; i < p.size(); ++i)
        if (i != 13 && i != 23) {
            EXPECT_EQ(p[i].colors.front(), NamedColor::black) << p[i].name;
        }
}

TEST(Palette, PickedColourBecomesAClampedStop) {
    EXPECT_EQ(CustomPaletteStop::fromColor({1.2, -0.1, 0.5}), (CustomPaletteStop{1, 0, 0.5}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CustomPaletteStop::fromColor({nan, 0.25, std::numeric_limits<double>::infinity()}),
              (CustomPaletteStop{0, 0.25, 1}));
    EXPECT_NE((CustomPaletteStop{0.5, 0.5, 0.5}), (CustomPaletteStop{0.5, 0.5, std::nextafter(0.5, 1.0)}));
    // The ends of the range and values within it pass unchanged; huge values clamp.
    EXPECT_EQ(CustomPaletteStop::fromColor({0, 1, 0.999}), (CustomPaletteStop{0, 1, 0.999}));
    EXPECT_EQ(CustomPaletteStop::fromColor({-1e300, 1e300, 0.0625}), (CustomPaletteStop{0, 1, 0.0625}));
}

TEST(NotchMetrics, SidePanelWidthPerTab) {
    const NotchMetrics metrics;  // placeholder: 1200 wide
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::image, 0, std::nullopt), 337);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::image, 1, std::nullopt), 361);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shape, 0, std::nullopt), 322);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::adjust, 0, std::nullopt), 322);
    for (NotchTab tab : {NotchTab::gradients, NotchTab::color, NotchTab::style, NotchTab::export_})
        EXPECT_EQ(metrics.sidePanelWidth(tab, 3, std::nullopt), 337);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::animation, 0, std::nullopt), 352);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::history, 0, std::nullopt), 352);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shader, 0, std::nullopt), 367);
}

TEST(NotchMetrics, CustomWidthIsClampedBetweenDefaultAndScreenBound) {
    NotchMetrics metrics;
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shape, 0, 500.0), 500);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shape, 0, 100.0), 322);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shape, 0, 5000.0), 760);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shape, 0, std::numeric_limits<double>::infinity()), 322);
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shape, 0, std::nan("")), 322);
    metrics.screenWidth = 400;  // bound 368
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shape, 0, 5000.0), 368);
    metrics.screenWidth = 300;  // bound below the default: the default wins
    EXPECT_EQ(metrics.sidePanelWidth(NotchTab::shader, 0, 5000.0), 367);
}

}  // namespace
}  // namespace glimora
