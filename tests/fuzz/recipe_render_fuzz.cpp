// A recipe document from someone else, opened and drawn: every number the
// decoder lets through reaches the renderers' arithmetic by the editor's own
// path (applyRecipe, then the render snapshot), drawn to a small frame on the
// live canvas and through the export's bitmap, PNG and SVG writers.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "model/recipe_json.hpp"
#include "render/image_pixelizer.hpp"
#include "render/live_canvas.hpp"
#include "render/pixel_image_buffer.hpp"
#include "render/wallpaper_renderer.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/fuzz/fuzz_check.hpp"
#include "tests/state/model_harness.hpp"

namespace {

using namespace glimora;

// Small, so that the fuzzer runs many designs a second.
constexpr std::int64_t frameWidth = 32;
constexpr std::int64_t frameHeight = 18;

void checkOpaque(const std::vector<std::uint8_t>& rgba) {
    for (std::size_t alpha = 3; alpha < rgba.size(); alpha += 4) GLIMORA_FUZZ_CHECK(rgba[alpha] == 255);
}

void drawLive(const WallpaperExportSettings& settings, double scale) {
    const auto width = std::int64_t(double(frameWidth) * scale), height = std::int64_t(double(frameHeight) * scale);
    std::vector<std::uint8_t> pixels(std::size_t(width * height * 4), 0);
    const WallpaperRenderer::CanvasContext context{{pixels.data(), width, height, width * 4}, scale, 1};
    WallpaperRenderer::draw(settings, context, double(frameWidth), double(frameHeight));
    checkOpaque(pixels);
}

void drawExport(const WallpaperExportSettings& settings) {
    WallpaperRenderer::Bitmap bitmap;
    bitmap.width = frameWidth;
    bitmap.height = frameHeight;
    bitmap.rgba = std::shared_ptr<std::uint8_t[]>(new std::uint8_t[frameWidth * frameHeight * 4]());
    const WallpaperRenderer::RGBATarget target{bitmap.rgba.get(), frameWidth, frameHeight, frameWidth * 4};
    if (const auto& image = settings.imageBuffer) {
        const auto grid = ImagePixelizer::pixelize(*image, frameWidth, frameHeight, settings.imageSettings);
        ImagePixelizer::drawGrid(grid, settings.imageSettings, double(frameWidth), double(frameHeight), 1.0, target, 1);
        const std::string svg = ImagePixelizer::renderSVG(image->width, image->height, image->bytes(),
                                                          settings.imageSettings, frameWidth, frameHeight);
        GLIMORA_FUZZ_CHECK(svg.find("</svg>") != std::string::npos);
    } else {
        WallpaperRenderer::drawWallpaper(settings, target, 1);
        const std::string svg = settings.grainGradientActive
                                    ? WallpaperRenderer::grainGradientSVG(frameWidth, frameHeight, settings)
                                    : WallpaperRenderer::smoothGradientSVG(frameWidth, frameHeight, settings);
        GLIMORA_FUZZ_CHECK(svg.find("</svg>") != std::string::npos);
    }
    const auto bytes = bitmap.bytes();
    checkOpaque(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    const std::vector<std::uint8_t> png = WallpaperRenderer::encodePNG(bitmap, 1);
    GLIMORA_FUZZ_CHECK(png.size() > 8 && png[1] == 'P' && png[2] == 'N' && png[3] == 'G');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DesignRecipe recipe;
    try {
        recipe = decodeRecipeDocument(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const RecipeCodingError&) {
        return 0;
    }
    test::ModelHarness harness;
    // The photo decoded small: the drawing, not the decoder, is under test here.
    harness.decoder = [](std::span<const std::uint8_t> data, int, DecodeNotes*) -> std::optional<PixelImageBuffer> {
        return PixelImageBuffer::load(data, 40);
    };
    const auto model = harness.make();
    model->applyRecipe(recipe);
    const WallpaperExportSettings settings = makeExportSettings(*model);
    drawLive(settings, 1.5);
    drawExport(settings);
    // The animation clock's values at some instant, on the live canvas.
    drawLive(makeExportSettings(*model, std::nullopt, 2.75), 1.0);
    return 0;
}
