// A recipe library as heavy as the file gets: 36 photo recipes, each with a
// photo of 2048 pixels on its longer side kept as PNG, about 240 MB of JSON.
// The photos are smooth gradients with grain, so they compress like photos.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "model/atomic_file.hpp"
#include "model/recipe_library.hpp"
#include "render/png_encoder.hpp"

namespace glimora::bench {

inline std::vector<std::uint8_t> syntheticPhotoPng(int width, int height, std::uint32_t seed) {
    std::vector<std::uint8_t> rgba(std::size_t(width) * std::size_t(height) * 4);
    std::uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            std::uint8_t* p = &rgba[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
            const int grain = int(state % 9) - 4;
            p[0] = std::uint8_t(std::clamp(40 + (x * 160) / width + grain + int(seed % 40), 0, 255));
            p[1] = std::uint8_t(std::clamp(30 + (y * 170) / height + int((state >> 8) % 9) - 4, 0, 255));
            p[2] = std::uint8_t(std::clamp(200 - ((x + y) * 120) / (width + height) + int((state >> 16) % 9) - 4, 0, 255));
            p[3] = 255;
        }
    }
    return *encodePng(rgba.data(), width, height, std::int64_t(width) * 4);
}

inline DesignRecipe photoRecipe(int index, std::vector<std::uint8_t> png) {
    DesignRecipe recipe;
    char id[40];
    std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012d", index + 1);
    recipe.id = *Uuid::parse(id);
    recipe.name = "Photo " + std::to_string(index + 1);
    recipe.formatIdentifier = recipeFormatIdentifier;
    recipe.wallpaperSource = "image";
    recipe.paletteIndex = index % 48;
    recipe.shape = "linear";
    recipe.angle = 135;
    recipe.spread = 140;
    recipe.centerX = recipe.centerY = 50;
    recipe.frequencyX = 4;
    recipe.frequencyY = 2;
    recipe.pixelScale = 3;
    recipe.quantization = 6;
    recipe.contrast = 100;
    recipe.dither = "eightByEight";
    recipe.channel = "rgb";
    recipe.imagePaletteMode = "source";
    recipe.imageDither = "bayer8";
    recipe.imagePixelShape = "square";
    recipe.imageLook = "softDither";
    recipe.imagePixelSize = 6;
    recipe.imageColorCount = 8;
    recipe.imageCellGap = 0.14;
    recipe.imageContrast = 112;
    recipe.imageSaturation = 110;
    recipe.image = RecipeImageAsset{"photo-" + std::to_string(index + 1) + ".jpg", 0.5, 0.5, 1, std::move(png)};
    return recipe;
}

// Writes the library to `file`; its size in bytes.
inline std::size_t writePhotoLibrary(const std::filesystem::path& file, int count = 36) {
    std::vector<DesignRecipe> recipes;
    for (int i = 0; i < count; ++i) recipes.push_back(photoRecipe(i, syntheticPhotoPng(2048, 1536, std::uint32_t(i))));
    const auto text = encodeRecipeHistory(recipes);
    recipes.clear();
    std::filesystem::create_directories(file.parent_path());
    if (!text || AtomicFile::write(file, *text)) return 0;
    return text->size();
}

}  // namespace glimora::bench
