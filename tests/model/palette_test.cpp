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
    const std::vector<std::pair<std::string, std::size_t>> expected{
        {"CRT Night", 3}, {"Phosphor", 3}, {"Amber", 3}, {"Thermal", 5}, {"Signal", 5}, {"VGA Gray", 4},
        {"Plasma", 6}, {"Deep Scan", 4}, {"Crimson", 4}, {"Retro", 7}, {"Ocean", 4}, {"Neon", 5},
        {"Sunrise", 7}, {"Ice", 4}, {"Spectrum", 8}, {"Matrix", 3}, {"Vaporwave", 5}, {"Cyberpunk", 5},
        {"Toxic", 4}, {"Lavender", 4}, {"Copper", 4}, {"Electric", 4}, {"Magma", 5}, {"Arctic", 4},
        {"Forest", 4}, {"Sunset Strip", 7}, {"Ultraviolet", 5}, {"Rust", 4}, {"Galaxy", 5},
        {"Synthwave", 6}, {"CGA", 4}, {"Noir", 4}, {"Tidal", 5}, {"Cherry Ember", 5},
        {"Orchid Bloom", 5}, {"Mosslight", 5}, {"Blueprint", 5}, {"Rose Gold", 5}, {"Dusk", 5},
        {"Acid Rain", 5}, {"Cobalt Flame", 5}, {"Bubblegum", 5}, {"Sepia Glow", 5}, {"Mint Circuit", 5},
        {"Solar Flare", 5}, {"Lunar", 5}, {"Prism", 5}, {"Seaglass", 5}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(palettes[i].name, expected[i].first) << i;
        EXPECT_EQ(palettes[i].colors.size(), expected[i].second) << palettes[i].name;
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
    EXPECT_EQ(std::vector<CustomPaletteStop>{}, std::vector<CustomPaletteStop>{});
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
