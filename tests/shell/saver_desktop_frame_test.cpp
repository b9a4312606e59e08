// The saver draws its frames as the desktop window does, so the same recipe
// at the same time must give the same pixels: the saver's frame, drawn frame
// after frame into the same memory the way its X11 host draws them (only
// where they changed, in the X server's word order), against the desktop
// window's view showing the recipe applied by the same rule.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <bit>
#include <string>
#include <vector>

#include "render/live_canvas_frames.hpp"
#include "tests/saver/saver_fixtures.hpp"
#include "tests/state/model_harness.hpp"
#include "views/wallpaper_canvas_view.hpp"

namespace glimora {
namespace {

DesignRecipe withShape(DesignRecipe recipe, const std::string& shape) {
    recipe.shape = shape;
    return recipe;
}

TEST(SaverDesktopFrame, TheSaversFrameEqualsTheDesktopWindowsFrameOfTheSameDesignAndTime) {
    if (std::endian::native != std::endian::little) GTEST_SKIP() << "the X11 host draws directly only here";
    DesignRecipe effects = withShape(test::gradientRecipe("effects", 30), "petals");
    effects.chroma = 12;
    effects.rgbSplit = true;
    effects.scanlines = true;
    DesignRecipe grain = test::gradientRecipe("grain", 50);
    grain.grainGradientActive = true;
    const std::vector<std::pair<DesignRecipe, CanvasContent>> designs = {
        {test::gradientRecipe("cells", 20), CanvasContent::animatedGradient},
        {effects, CanvasContent::animatedGradient},
        {withShape(test::gradientRecipe("smooth", 40), "smoothGradient"), CanvasContent::timelineCanvas},
        {grain, CanvasContent::grainGradient},
    };
    constexpr int width = 320, height = 180;
    int partialFrames = 0;
    for (const auto& [recipe, content] : designs) {
        SCOPED_TRACE(recipe.name);
        test::SaverHarness saverHarness;
        auto saver = saverHarness.make({recipe});
        saver->startAnimation();
        ASSERT_EQ(saver->content(), content);

        test::ModelHarness desktopHarness;
        desktopHarness.clock = saverHarness.clock;
        auto desktop = desktopHarness.make();
        applyRecipeForScreenSaver(*desktop, recipe, true);
        WallpaperCanvasView view(*desktop, false);
        view.resize(width, height);

        // The host's way: one image, the previous frame in it, the server's order.
        QImage frame(width, height, QImage::Format_RGB32);
        WallpaperRenderer::LiveCanvasFrames frames;
        frames.setNativeOrder(true);
        const WallpaperRenderer::CanvasContext context{
            {frame.bits(), width, height, frame.bytesPerLine()}, 1.0, 4};
        for (int i = 0; i < 45; ++i) {
            saverHarness.clock->advance(1.0 / 30);
            saver->animateOneFrame();
            if (!saver->needsDisplay()) continue;
            const auto rects = saver->drawFrame(context, width, height, frames);
            partialFrames += !rects.empty() && rects.front().area() < std::int64_t(width) * height;
        }

        const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), frame.size());
        int different = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) different += shown.pixel(x, y) != frame.pixel(x, y);
        EXPECT_EQ(different, 0);
    }
    EXPECT_GT(partialFrames, 10) << "every frame was drawn whole: the changed-only path went untested";
}

}  // namespace
}  // namespace glimora
