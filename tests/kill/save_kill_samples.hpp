// The two versions of each saved file that the save loop alternates between,
// built the same way by the loop and by the test that kills it.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/design_recipe.hpp"
#include "render/wallpaper_export_settings.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_export.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora::test::save_kill {

inline DesignRecipe sampleRecipe(int index, bool photo) {
    DesignRecipe r;
    char id[40];
    std::snprintf(id, sizeof id, "00112233-4455-4677-8899-%012X", unsigned(index));
    r.id = *Uuid::parse(id);
    r.name = "Design " + std::to_string(index);
    r.createdAt = 762514200 + index;
    r.formatIdentifier = recipeFormatIdentifier;
    r.wallpaperSource = photo ? "image" : "gradient";
    r.paletteIndex = index % 48;
    r.shape = index % 2 ? "linear" : "smoothGradient";
    r.seed = std::uint64_t(index) * 7919;
    r.contrast = 100;
    r.pixelScale = 3 + index % 5;
    r.quantization = 6;
    r.dither = "eightByEight";
    r.channel = "rgb";
    r.imagePaletteMode = "source";
    r.imageDither = "bayer8";
    r.imagePixelShape = "square";
    r.imageLook = "softDither";
    r.exportFormat = index % 3 ? "png" : "svg";
    r.exportResolution = "hd";
    if (photo) {
        // Stands for a photo's PNG bytes: incompressible, so the file is
        // megabytes and a kill often lands in the middle of writing it.
        std::mt19937 generator{std::uint32_t(index)};
        std::vector<std::uint8_t> data(256 * 1024);
        for (auto& byte : data) byte = std::uint8_t(generator());
        r.image = RecipeImageAsset{"photo-" + std::to_string(index) + ".png", 0.5, 0.5, 1, std::move(data)};
    }
    return r;
}

// Library 0: twelve photo recipes (about 4 MB of JSON); library 1: thirty
// gradient recipes.
inline std::vector<DesignRecipe> library(int which) {
    std::vector<DesignRecipe> recipes;
    if (which == 0)
        for (int index = 0; index < 12; ++index) recipes.push_back(sampleRecipe(index, true));
    else
        for (int index = 100; index < 130; ++index) recipes.push_back(sampleRecipe(index, false));
    return recipes;
}

// The value the preferences loop stores under preferenceKey: long enough
// that the file takes a while to write.
inline constexpr const char* preferenceKey = "savedState";
inline std::string preferenceValue(int which) {
    return std::string(std::size_t(which == 0 ? 2'000'000 : 1'200'000), which == 0 ? 'a' : 'b');
}

// Export 0: a cell grid as PNG at 1920x1080; export 1: the same file name
// holding a smooth gradient as PNG. Grainy, so that the files are megabytes
// and take a while to write.
inline DesignRecipe exportRecipe(int which) {
    DesignRecipe recipe = sampleRecipe(which == 0 ? 1 : 2, false);
    recipe.exportFormat = "png";
    recipe.noise = 100;
    recipe.pixelScale = 1;
    return recipe;
}

// The export's write goes in steps of this many bytes (see save_loop.cpp).
inline constexpr std::size_t exportStep = 4096;

inline std::vector<std::uint8_t> exportBytes(int which) {
    ModelHarness harness;
    const auto model = harness.make();
    model->applyRecipe(exportRecipe(which));
    const WallpaperExport::FileData data = WallpaperExport::fileData(makeExportSettings(*model), 0);
    const std::string_view bytes = data.bytes();
    return {bytes.begin(), bytes.end()};
}

}  // namespace glimora::test::save_kill
