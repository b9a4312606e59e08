#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/json_text.hpp"
#include "model/recipe_json.hpp"
#include "tests/model/recipe_samples.hpp"

namespace glimora {
namespace {

using json = nlohmann::json;
using test::fullRecipe;
using test::requiredOnlyRecipe;

// Checks that every object's keys appear in ascending order in the text.
void expectSortedKeys(const nlohmann::ordered_json& value, const std::string& where = "top") {
    if (value.is_object()) {
        std::string previous;
        for (const auto& [key, member] : value.items()) {
            EXPECT_LT(previous, key) << "in " << where;
            previous = key;
            expectSortedKeys(member, key);
        }
    } else if (value.is_array()) {
        for (const auto& element : value) expectSortedKeys(element, where + "[]");
    }
}

TEST(RecipeJson, FullRecipeRoundTripsAndReEncodesByteForByte) {
    const DesignRecipe recipe = fullRecipe();
    const std::string first = encodeRecipeDocument(recipe);
    const DesignRecipe back = decodeRecipeDocument(first);
    EXPECT_EQ(back, recipe);
    EXPECT_EQ(encodeRecipeDocument(back), first);

    const auto ordered = nlohmann::ordered_json::parse(first);
    expectSortedKeys(ordered);
    EXPECT_EQ(ordered.size(), 62u);
    EXPECT_LT(first.find("\"angle\""), first.find("\"animationAmount\""));
    EXPECT_GT(first.find("\"id\""), first.find("\"hue\""));
    EXPECT_NE(first.find("\"createdAt\": \"2025-03-01T09:30:00Z\""), std::string::npos);
    EXPECT_NE(first.find("\"id\": \"0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0\""), std::string::npos);
    EXPECT_NE(first.find("\"pngData\": \"AQID\""), std::string::npos);
    EXPECT_NE(first.find("\"seed\": 18446744073709551615"), std::string::npos);
    EXPECT_NE(first.find("\"customPalette\": [\n    {\n      \"blue\": 0.25,"), std::string::npos);
    EXPECT_EQ(first.find("null"), std::string::npos);
}

// The key names are a stored format: every one is checked here by name, so a
// misspelt key cannot hide behind a round trip through the same code.
TEST(RecipeJson, DocumentKeysAreTheStoredNamesInAscendingOrder) {
    const auto document = nlohmann::ordered_json::parse(encodeRecipeDocument(fullRecipe()));
    const auto keysOf = [](const nlohmann::ordered_json& object) {
        std::vector<std::string> keys;
        for (const auto& [key, member] : object.items()) keys.push_back(key);
        return keys;
    };
    EXPECT_EQ(keysOf(document), (std::vector<std::string>{
        "angle", "animationAmount", "animationLoopDuration", "animationPlaying", "animationProperty",
        "animationSpeed", "animationWaveform", "brightness", "centerX", "centerY", "channel", "chroma",
        "contrast", "createdAt", "customPalette", "dither", "exportFormat", "exportResolution",
        "formatIdentifier", "frequencyX", "frequencyY", "grainGradientActive", "grainGradientFlow",
        "grainGradientGlow", "grainGradientMode", "grainGradientPreset", "grainGradientScale",
        "grainGradientWarp", "hue", "id", "image", "imageBrightness", "imageCellGap", "imageColorCount",
        "imageContrast", "imageDither", "imageLook", "imageMosaic", "imagePaletteMode", "imagePixelShape",
        "imagePixelSize", "imageSaturation", "invert", "isFavorite", "mirror", "name", "noise", "okLab",
        "paletteIndex", "phase", "pinnedProperties", "pixelScale", "quantization", "rgbSplit", "scanlines",
        "seed", "shape", "spread", "version", "vignette", "wallpaperSource", "warp"}));
    EXPECT_EQ(keysOf(document["image"]),
              (std::vector<std::string>{"cropCenterX", "cropCenterY", "cropZoom", "fileName", "pngData"}));
    EXPECT_EQ(keysOf(document["imageMosaic"]),
              (std::vector<std::string>{"bevel", "cornerRadius", "renderMode", "tileShape", "variation"}));
    EXPECT_EQ(keysOf(document["customPalette"][0]), (std::vector<std::string>{"blue", "green", "red"}));
    EXPECT_EQ(document["formatIdentifier"], "com.ombriq.recipe");
    EXPECT_EQ(document["version"], 5);
}

TEST(RecipeJson, RequiredOnlyRecipeWritesExactlyTheRequiredKeys) {
    const DesignRecipe recipe = requiredOnlyRecipe();
    const std::string first = encodeRecipeDocument(recipe);
    const json value = json::parse(first);
    EXPECT_EQ(value.size(), 46u);
    for (const char* optional : {"customPalette", "imageMosaic", "image", "grainGradientActive",
                                 "animationWaveform", "animationSpeed"})
        EXPECT_FALSE(value.contains(optional)) << optional;
    const DesignRecipe back = decodeRecipeDocument(first);
    EXPECT_EQ(back, recipe);
    EXPECT_EQ(encodeRecipeDocument(back), first);
}

TEST(RecipeJson, ArraysRoundTrip) {
    const std::vector<DesignRecipe> recipes{fullRecipe(), requiredOnlyRecipe()};
    const std::string text = encodeRecipeArray(recipes);
    EXPECT_EQ(decodeRecipeArray(text), recipes);
    EXPECT_EQ(encodeRecipeArray({}), "[]");
    EXPECT_TRUE(decodeRecipeArray("[]").empty());
}

TEST(RecipeJson, DatesKeepWholeSecondsOnly) {
    DesignRecipe recipe = fullRecipe();
    recipe.createdAt = 762514200.75;
    const DesignRecipe back = decodeRecipeDocument(encodeRecipeDocument(recipe));
    EXPECT_EQ(back.createdAt, 762514200);
    EXPECT_NE(back, recipe);
}

TEST(RecipeJson, InvalidUtf8InNamesIsReplacedNotFatal) {
    DesignRecipe recipe = fullRecipe();
    recipe.image->fileName = "caf\xE9.png";  // Latin-1 bytes from a file system
    const DesignRecipe back = decodeRecipeDocument(encodeRecipeDocument(recipe));
    EXPECT_EQ(back.image->fileName, "caf\uFFFD.png");
}

TEST(RecipeJson, NonFiniteNumbersAreNeverWritten) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<const char*, void (*)(DesignRecipe&, double)>> fields{
        {"hue", [](DesignRecipe& r, double v) { r.hue = v; }},
        {"image.cropZoom", [](DesignRecipe& r, double v) { r.image->cropZoom = v; }},
        {"imageMosaic.bevel", [](DesignRecipe& r, double v) { r.imageMosaic->bevel = v; }},
        {"customPalette[1].green", [](DesignRecipe& r, double v) { (*r.customPalette)[1].green = v; }},
        {"animationSpeed", [](DesignRecipe& r, double v) { r.animationSpeed = v; }},
    };
    for (const auto& [key, set] : fields)
        for (double bad : {nan, inf, -inf}) {
            DesignRecipe recipe = fullRecipe();
            set(recipe, bad);
            try {
                encodeRecipeDocument(recipe);
                ADD_FAILURE() << key << " " << bad << " was written";
            } catch (const RecipeCodingError& error) {
                EXPECT_NE(std::string(error.what()).find(key), std::string::npos) << error.what();
            }
        }
    DesignRecipe recipe = fullRecipe();
    recipe.createdAt = nan;
    EXPECT_THROW(encodeRecipeDocument(recipe), RecipeCodingError);
    recipe.createdAt = 1e300;
    EXPECT_THROW(encodeRecipeDocument(recipe), RecipeCodingError);
}

// The full recipe's text with one key changed; `replacement` is raw JSON text,
// or nothing to remove the key.
std::string withKey(const std::string& path, std::optional<std::string> replacement) {
    json value = json::parse(encodeRecipeDocument(fullRecipe()));
    json* target = &value;
    std::string key = path;
    if (const auto dot = path.find('.'); dot != std::string::npos) {
        target = &value[path.substr(0, dot)];
        key = path.substr(dot + 1);
    }
    const std::string marker = "\"__REPLACE__\"";
    if (!replacement) {
        target->erase(key);
        return value.dump(2);
    }
    (*target)[key] = "__REPLACE__";
    std::string text = value.dump(2);
    text.replace(text.find(marker), marker.size(), *replacement);
    return text;
}

TEST(RecipeJson, StrictDecodingRefusesEveryWrongPresenceOrType) {
    struct Case {
        const char* key;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"okLab", std::nullopt},
        {"okLab", "null"},
        {"okLab", "\"true\""},
        {"okLab", "1"},
        {"name", "5"},
        {"name", std::nullopt},
        {"hue", "\"0.25\""},
        {"hue", "true"},
        {"version", "3.7"},
        {"version", "\"5\""},
        {"version", "9223372036854775808"},
        {"paletteIndex", "1.5"},
        {"paletteIndex", "1e17"},
        {"seed", "-1"},
        {"seed", "18446744073709551616"},
        {"seed", "1e300"},
        {"seed", "0.5"},
        {"seed", "\"42\""},
        {"createdAt", "\"2025-03-01T09:30:00.5Z\""},
        {"createdAt", "\"2025-03-01T09:30:00\""},
        {"createdAt", "\"2025-02-30T09:30:00Z\""},
        {"createdAt", "762514200"},
        {"id", "\"not-a-uuid\""},
        {"id", "\"{0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0}\""},
        {"id", "\"0F1E2D3C4B5A49788796A5B4C3D2E1F0\""},
        {"image.pngData", "\"AQI\""},
        {"image.pngData", "\"AQ=D\""},
        {"image.pngData", "\"AQ\\nID\""},
        {"image.pngData", "\"AQI*\""},
        {"image.pngData", "[1, 2, 3]"},
        {"image.fileName", std::nullopt},
        {"image.cropZoom", "\"1\""},
        {"imageMosaic.variation", std::nullopt},
        {"imageMosaic.renderMode", "null"},
        {"image", "5"},
        {"imageMosaic", "[]"},
        {"customPalette", "{}"},
        {"customPalette", "[{\"red\": 1, \"green\": 0}]"},
        {"customPalette", "[{\"red\": 1, \"green\": 0, \"blue\": \"0\"}]"},
        {"customPalette", "[1]"},
        {"pinnedProperties", "[\"shape\", 3]"},
        {"pinnedProperties", "null"},
        {"pinnedProperties", "\"shape\""},
        {"grainGradientScale", "\"54\""},
        {"grainGradientActive", "0"},
        {"animationProperty", "7"},
    };
    for (const auto& c : cases) {
        const std::string text = withKey(c.key, c.text);
        try {
            decodeRecipeDocument(text);
            ADD_FAILURE() << c.key << " = " << c.text.value_or("(missing)") << " was accepted";
        } catch (const RecipeCodingError& error) {
            const std::string key = std::string(c.key);
            const std::string leaf = key.substr(key.find('.') == std::string::npos ? 0 : key.find('.') + 1);
            EXPECT_NE(std::string(error.what()).find(leaf), std::string::npos) << error.what();
        }
    }
    // A number no double can hold fails the text itself, before any key is read.
    EXPECT_THROW(decodeRecipeDocument(withKey("hue", "1e400")), RecipeCodingError);
}

TEST(RecipeJson, DocumentsThatAreNotOneRecipeObjectFail) {
    const std::string recipe = encodeRecipeDocument(fullRecipe());
    for (const std::string& bad : std::vector<std::string>{"", "[]", "[" + recipe + "]", "null", "\"recipe\"",
                                                          recipe + ",", recipe.substr(0, recipe.size() - 1)})
        EXPECT_THROW(decodeRecipeDocument(bad), RecipeCodingError) << bad.substr(0, 20);
    EXPECT_THROW(decodeRecipeArray(recipe), RecipeCodingError);
    EXPECT_THROW(decodeRecipeArray("[" + recipe + ", 5]"), RecipeCodingError);
}

TEST(RecipeJson, AcceptsWhatTheFormatAllows) {
    // Integral numbers with a fraction or exponent count as integers.
    EXPECT_EQ(decodeRecipeDocument(withKey("version", "5.0")).version, 5);
    EXPECT_EQ(decodeRecipeDocument(withKey("seed", "1e2")).seed, 100u);
    EXPECT_EQ(decodeRecipeDocument(withKey("paletteIndex", "-2")).paletteIndex, -2);
    EXPECT_EQ(decodeRecipeDocument(withKey("version", "-9223372036854775808")).version, INT64_MIN);
    // Doubles may be written without a fraction.
    EXPECT_EQ(decodeRecipeDocument(withKey("hue", "54")).hue, 54.0);
    // Null optionals are absent.
    EXPECT_FALSE(decodeRecipeDocument(withKey("image", "null")).image);
    EXPECT_FALSE(decodeRecipeDocument(withKey("animationSpeed", "null")).animationSpeed);
    EXPECT_FALSE(decodeRecipeDocument(withKey("image.pngData", std::nullopt)).image->pngData);
    EXPECT_EQ(decodeRecipeDocument(withKey("image.pngData", "\"\"")).image->pngData, std::vector<std::uint8_t>{});
    // Unknown option values are carried unchanged; the UUID may be lower case.
    EXPECT_EQ(decodeRecipeDocument(withKey("shape", "\"hexagon\"")).shape, "hexagon");
    EXPECT_EQ(decodeRecipeDocument(withKey("id", "\"0f1e2d3c-4b5a-4978-8796-a5b4c3d2e1f0\"")).id, fullRecipe().id);
    // Unknown keys are ignored and not written back.
    const DesignRecipe extra = decodeRecipeDocument(withKey("futureKey", "{\"x\": [1, 2]}"));
    EXPECT_EQ(extra, fullRecipe());
    EXPECT_EQ(encodeRecipeDocument(extra).find("futureKey"), std::string::npos);
    // A custom palette stop ignores keys beyond its three.
    EXPECT_EQ(decodeRecipeDocument(withKey("customPalette", R"([{"blue": 0, "green": 0, "red": 1, "alpha": 0.5}])"))
                  .customPalette,
              (std::vector<CustomPaletteStop>{{1, 0, 0}}));
}

TEST(RecipeJson, DocumentsOverTheSizeLimitAreRefusedUnread) {
    // White space alone would parse to an error about the end of text; the
    // message shows the size check came first.
    const std::string huge(recipeFileSizeLimit + 1, ' ');
    try {
        decodeRecipeDocument(huge);
        ADD_FAILURE() << "accepted";
    } catch (const RecipeCodingError& error) {
        EXPECT_NE(std::string(error.what()).find("64 MiB"), std::string::npos) << error.what();
    }
    EXPECT_THROW(decodeRecipeArray(huge), RecipeCodingError);
}

}  // namespace
}  // namespace glimora
