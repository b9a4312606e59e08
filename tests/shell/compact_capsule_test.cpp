// The collapsed panel at the top or bottom edge.
#include <gtest/gtest.h>

#include "controls/notch_button.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/picture_thumbnail.hpp"
#include "controls/pixel_mosaics.hpp"
#include "controls/small_views.hpp"
#include "panel/compact_capsule.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/shell/test_artefacts.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::processEventsUntil;

// A photo-like picture: orange to sky blue across, every pixel light.
PixelImageBuffer gradientPhoto(int width, int height) {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double t = double(x + y) / (width + height - 2);
            bytes.insert(bytes.end(), {std::uint8_t(255 * (1 - t)), std::uint8_t(120 + 80 * t), std::uint8_t(255 * t), 255});
        }
    PixelImageBuffer picture;
    picture.width = width;
    picture.height = height;
    picture.rgba = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    return picture;
}

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
        if (withPreview) asset.preview = gradientPhoto(40, 30);
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
    EXPECT_EQ(capsule.swatch()->geometry(), QRect(12, 5, 18, 18));
    EXPECT_EQ(capsule.paletteName()->geometry().left(), 12 + 18 + 7);
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
    EXPECT_LE(capsule.paletteName()->geometry().right(), identity.right());
    EXPECT_EQ(capsule.minimumSize(), QSize(0, 0));
    // A name longer than its room stays on one line that ends in "…".
    capsule.resize(130, 28);
    test::settle();
    const QString name = QString::fromStdString(model->activePalette().name);
    const auto texts = test::visibleTexts(&capsule);
    const test::ShownText* shown = test::findText(texts, name);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->shown.endsWith(QChar(0x2026))) << shown->shown.toStdString();
    EXPECT_LE(shown->shownWidth(), shown->label->width());
}

// The picture fills an 18-point square at the row's leading padding, its
// outline stroked on the square's edge: half a point of it on each side.
TEST_F(CapsuleTest, ThePictureSitsAtTheLeadingEndWithItsWholeOutline) {
    addPhoto(true);
    ASSERT_TRUE(processEventsUntil([&] { return capsule.thumbnail()->isVisible(); }));
    // (The buttons at the far end, white 42 %, are left out.)
    const QRect identity(0, 0, 100, 28);
    const QImage one = test::drawnOnBlack(capsule);
    EXPECT_EQ(test::inkBox(one, 100, identity), QRect(12, 5, 18, 18));
    // White 18 % over half of the pixel just outside each edge: about 23.
    for (const QPoint outside : {QPoint(11, 14), QPoint(30, 14), QPoint(20, 4), QPoint(20, 23)}) {
        EXPECT_NEAR(qGray(one.pixel(outside)), 23, 6) << outside.x() << "," << outside.y();
    }
    // At scale 2 the outline is two device pixels: one wholly outside the
    // square at 18 % (46 on black), and nothing beyond it.
    const QImage two = test::drawnOnBlack(capsule, 2);
    test::keepScreenshot(two, "compact_capsule/photo-at-scale-2");
    EXPECT_EQ(test::inkBox(two, 100, QRect(0, 0, 200, 56)), QRect(24, 10, 36, 36));
    for (const auto& [outline, beyond] : {std::pair{QPoint(23, 28), QPoint(22, 28)}, {QPoint(60, 28), QPoint(61, 28)},
                                          {QPoint(42, 9), QPoint(42, 8)}, {QPoint(42, 46), QPoint(42, 47)}}) {
        EXPECT_NEAR(qGray(two.pixel(outline)), 46, 5) << outline.x() << "," << outline.y();
        EXPECT_LT(qGray(two.pixel(beyond)), 5) << beyond.x() << "," << beyond.y();
    }

    // Without its preview the "photo" symbol takes the same square.
    model->updateImageAssets([](auto& assets) { assets.front().preview.reset(); });
    ASSERT_TRUE(processEventsUntil([&] { return capsule.photoSymbol()->isVisible(); }));
    const QRect symbol = test::inkBox(test::drawnOnBlack(capsule), 120, identity);
    EXPECT_GE(symbol.left(), 12);
    EXPECT_LE(symbol.right(), 29);
    EXPECT_NEAR(symbol.center().x(), 21, 1);
}

}  // namespace
}  // namespace glimora
