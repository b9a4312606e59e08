// Small recipes and a session set up on a virtual clock and a scripted shuffle.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/design_recipe.hpp"
#include "saver/ombriq_screen_saver_view.hpp"
#include "tests/support/platform_fakes.hpp"

namespace glimora::test {

// A linear gradient recipe named `name`, whose angle tells it apart on the model.
inline DesignRecipe gradientRecipe(const std::string& name, double angle, bool favorite = false) {
    DesignRecipe recipe;
    recipe.id = *Uuid::parse("00000000-0000-4000-8000-" + std::string(12 - std::to_string(int(angle)).size(), '0') +
                             std::to_string(int(angle)));
    recipe.name = name;
    recipe.isFavorite = favorite;
    recipe.formatIdentifier = recipeFormatIdentifier;
    recipe.wallpaperSource = "gradient";
    recipe.paletteIndex = 3;
    recipe.shape = "linear";
    recipe.angle = angle;
    recipe.spread = 140;
    recipe.centerX = 50;
    recipe.centerY = 50;
    recipe.frequencyX = 4;
    recipe.frequencyY = 2;
    recipe.pixelScale = 3;
    recipe.quantization = 6;
    recipe.contrast = 100;
    recipe.dither = "none";
    recipe.channel = "rgb";
    recipe.vignette = true;
    return recipe;
}

struct SaverHarness {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(700'000'000);
    std::shared_ptr<ScriptedRandom> random = std::make_shared<ScriptedRandom>();
    std::shared_ptr<MemoryPreferences> settings = std::make_shared<MemoryPreferences>();
    int decodes = 0;
    int lastMaxPixelSize = 0;
    std::vector<std::string> applied;

    OmbriqScreenSaverView::Environment environment() {
        OmbriqScreenSaverView::Environment environment;
        environment.clock = clock;
        environment.random = random;
        environment.settings = settings;
        environment.decodeImage = [this](std::span<const std::uint8_t> data, int maxPixelSize,
                                         DecodeNotes*) -> std::optional<PixelImageBuffer> {
            ++decodes;
            lastMaxPixelSize = maxPixelSize;
            if (data.empty() || data[0] != 'P') return std::nullopt;  // "P": a photo we can "decode"
            PixelImageBuffer image;
            image.width = 4;
            image.height = 2;
            image.rgba = std::make_shared<std::vector<std::uint8_t>>(4 * 2 * 4, std::uint8_t(200));
            return image;
        };
        return environment;
    }

    std::unique_ptr<OmbriqScreenSaverView> make(std::vector<DesignRecipe> library, bool preview = false) {
        auto view = std::make_unique<OmbriqScreenSaverView>(environment(), std::move(library), preview);
        // The constructor's own apply is checked through the model; later ones are counted here.
        view->setOnRecipeApplied([this](const DesignRecipe& recipe) { applied.push_back(recipe.name); });
        return view;
    }

    // A session whose library arrives later, as the program reads it.
    std::unique_ptr<OmbriqScreenSaverView> makeWaitingForLibrary(bool preview = false) {
        auto view = std::make_unique<OmbriqScreenSaverView>(environment(), preview);
        view->setOnRecipeApplied([this](const DesignRecipe& recipe) { applied.push_back(recipe.name); });
        return view;
    }

    // The host's ticks: `seconds` of frames at 1/30 s.
    void run(OmbriqScreenSaverView& view, double seconds) {
        const int frames = int(seconds * 30 + 0.5);
        for (int i = 0; i < frames; ++i) {
            clock->advance(1.0 / 30.0);
            view.animateOneFrame();
        }
    }
};

}  // namespace glimora::test
