// The collapsed panel at the top or bottom edge.
#include <gtest/gtest.h>

#include <QLabel>

#include "controls/notch_button.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/pixel_mosaics.hpp"
#include "panel/compact_capsule.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::processEventsUntil;

struct CapsuleTest : ::testing::Test {
    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model = harness.make();
    NotchViewModelBridge bridge{*model};
    CompactCapsule capsule{bridge};
    void SetUp() override {
        capsule.resize(320, 28);
        capsule.show();
    }
    void addPhoto(bool withPreview) {
        ImportedImageAsset asset;
        asset.fileName = "beach.jpg";
        if (withPreview) asset.preview = test::solidImage(40, 30);
        model->updateImageAssets([&](auto& assets) { assets.push_back(asset); });
        model->setWallpaperSource(WallpaperSource::image);
    }
};

TEST_F(CapsuleTest, AGradientShowsItsPaletteSwatchAndName) {
    EXPECT_TRUE(capsule.swatch()->isVisible());
    EXPECT_TRUE(capsule.paletteName()->isVisible());
    EXPECT_FALSE(capsule.thumbnail()->isVisible());
    EXPECT_EQ(capsule.paletteName()->text().toStdString(), model->activePalette().name);
    EXPECT_EQ(capsule.swatch()->colors(), model->activePalette().colors);
    EXPECT_EQ(capsule.identityButton()->toolTip(), "Show gradient controls");
    // The name has the room left of the buttons, beside the swatch.
    EXPECT_EQ(capsule.swatch()->geometry(), QRect(0, 5, 18, 18));
    EXPECT_EQ(capsule.paletteName()->geometry().left(), 18 + 7);
    EXPECT_GT(capsule.paletteName()->width(), 150);
    EXPECT_FALSE(capsule.paletteName()->text().isEmpty());
    // It is drawn: white text on the panel.
    const QImage drawn = capsule.grab().toImage();
    int lit = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 30; x < 120; ++x) lit += qAlpha(drawn.pixel(x, y)) > 0 && qGray(drawn.pixel(x, y)) > 128;
    EXPECT_GT(lit, 10);

    model->setCustomPaletteStops({CustomPaletteStop{1, 0, 0}, CustomPaletteStop{0, 0, 1}});
    model->setPaletteIndex(int(builtInPalettes().size()));
    ASSERT_TRUE(processEventsUntil([&] { return capsule.paletteName()->text() == "Custom"; }));
    EXPECT_EQ(capsule.swatch()->colors(), model->activePalette().colors);
}

TEST_F(CapsuleTest, APictureShowsItsThumbnailOrThePhotoSymbol) {
    addPhoto(true);
    ASSERT_TRUE(processEventsUntil([&] { return capsule.thumbnail()->isVisible(); }));
    EXPECT_FALSE(capsule.swatch()->isVisible());
    EXPECT_FALSE(capsule.paletteName()->isVisible());
    EXPECT_EQ(capsule.identityButton()->toolTip().toStdString(), "beach.jpg · " + model->imageCountLabel());
    EXPECT_EQ(capsule.thumbnail()->pixmap().deviceIndependentSize(), QSizeF(18, 18));

    // A picture without its preview: the symbol, and the help still names the file.
    model->updateImageAssets([](auto& assets) { assets.front().preview.reset(); });
    ASSERT_TRUE(processEventsUntil([&] { return capsule.photoSymbol()->isVisible(); }));
    EXPECT_FALSE(capsule.thumbnail()->isVisible());
    EXPECT_EQ(capsule.photoSymbol()->name(), "photo");
    EXPECT_TRUE(capsule.identityButton()->toolTip().startsWith("beach.jpg · "));

    // No current picture: an empty name before the separator.
    model->setCurrentImageIndex(7);
    ASSERT_TRUE(processEventsUntil([&] { return capsule.identityButton()->toolTip().startsWith(" · "); }));
    EXPECT_TRUE(capsule.photoSymbol()->isVisible());
}

TEST_F(CapsuleTest, TheButtonsOpenThePanelAndRandomize) {
    EXPECT_EQ(capsule.randomizeButton()->toolTip(), "Randomize");
    EXPECT_EQ(capsule.expandButton()->toolTip(), "Expand");
    EXPECT_EQ(capsule.randomizeButton()->symbol(), "shuffle");
    EXPECT_EQ(capsule.expandButton()->symbol(), "chevron.down");

    const std::string before = model->gradientSignature();
    const auto seed = model->designSeed();
    capsule.randomizeButton()->click();
    EXPECT_TRUE(model->gradientSignature() != before || model->designSeed() != seed);
    EXPECT_FALSE(model->expanded());

    capsule.expandButton()->click();
    EXPECT_TRUE(model->expanded());
    model->setExpanded(false);
    capsule.identityButton()->click();
    EXPECT_TRUE(model->expanded());

    model->setNotchPlacement(NotchPlacement::bottom);
    ASSERT_TRUE(processEventsUntil([&] { return capsule.expandButton()->symbol() == "chevron.up"; }));
    EXPECT_EQ(CompactCapsule::expandSymbol(NotchPlacement::left), "chevron.right");
    EXPECT_EQ(CompactCapsule::expandSymbol(NotchPlacement::right), "chevron.left");
}

TEST_F(CapsuleTest, TheRowFillsTheCapsuleWithTheButtonsAtItsEnd) {
    // 12 padding, then Expand 16 wide, a gap of 8, Randomize 24 wide.
    EXPECT_EQ(capsule.expandButton()->geometry(), QRect(320 - 12 - 16, 0, 16, 28));
    EXPECT_EQ(capsule.randomizeButton()->geometry(), QRect(320 - 12 - 16 - 8 - 24, 0, 24, 28));
    // The identity takes the rest, up to the spacer of at least 2 between two gaps.
    const QRect identity = capsule.identityButton()->geometry();
    EXPECT_EQ(identity.left(), 12);
    EXPECT_EQ(identity.right() + 1, 260 - 8 - 2 - 8);
    // A long palette name stays on one line within it.
    EXPECT_FALSE(capsule.paletteName()->wordWrap());
    EXPECT_LE(capsule.paletteName()->geometry().right(), identity.width());
    EXPECT_EQ(capsule.minimumSize(), QSize(0, 0));
}

}  // namespace
}  // namespace glimora
