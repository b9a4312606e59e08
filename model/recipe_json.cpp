#include "model/recipe_json.hpp"

#include <cmath>
#include <utility>

#include "model/base64.hpp"
#include "model/iso_date.hpp"
#include "model/json_text.hpp"

namespace glimora {

namespace {

using json = nlohmann::json;

// ---- Encoding ------------------------------------------------------------

class ObjectWriter {
public:
    explicit ObjectWriter(std::string path) : path_(std::move(path)) {}

    ObjectWriter& string(const char* key, const std::string& value) {
        object_.emplace(key, value);
        return *this;
    }
    ObjectWriter& boolean(const char* key, bool value) {
        object_.emplace(key, value);
        return *this;
    }
    template <class Int> ObjectWriter& integer(const char* key, Int value) {
        object_.emplace(key, value);
        return *this;
    }
    ObjectWriter& number(const char* key, double value) {
        if (!std::isfinite(value))
            throw RecipeCodingError("“" + path_ + key + "” is not a finite number and cannot be written");
        object_.emplace(key, value);
        return *this;
    }
    template <class T> ObjectWriter& optional(const char* key, const std::optional<T>& value) {
        if (!value) return *this;
        if constexpr (std::is_same_v<T, double>) return number(key, *value);
        else {
            object_.emplace(key, *value);
            return *this;
        }
    }
    ObjectWriter& value(const char* key, json value) {
        object_.emplace(key, std::move(value));
        return *this;
    }
    const std::string& path() const { return path_; }
    json take() { return json(std::move(object_)); }

private:
    std::string path_;
    json::object_t object_;
};

json stopToJson(const CustomPaletteStop& stop, const std::string& path) {
    ObjectWriter w(path);
    w.number("red", stop.red).number("green", stop.green).number("blue", stop.blue);
    return w.take();
}

json mosaicToJson(const ImageMosaicRecipe& mosaic) {
    ObjectWriter w("imageMosaic.");
    w.string("renderMode", mosaic.renderMode).string("tileShape", mosaic.tileShape);
    w.number("cornerRadius", mosaic.cornerRadius).number("bevel", mosaic.bevel).number("variation", mosaic.variation);
    return w.take();
}

json imageToJson(const RecipeImageAsset& image) {
    ObjectWriter w("image.");
    w.string("fileName", image.fileName);
    w.number("cropCenterX", image.cropCenterX).number("cropCenterY", image.cropCenterY);
    w.number("cropZoom", image.cropZoom);
    if (image.pngData) w.value("pngData", base64Encode(*image.pngData));
    return w.take();
}

// ---- Decoding ------------------------------------------------------------

const char* typeName(const json& value) {
    switch (value.type()) {
    case json::value_t::null: return "null";
    case json::value_t::boolean: return "a boolean";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float: return "a number";
    case json::value_t::string: return "a string";
    case json::value_t::array: return "an array";
    case json::value_t::object: return "an object";
    default: return "binary data";
    }
}

// Beyond 2^53 a number written with a fraction or exponent may already have
// been rounded, so it no longer names one integer.
constexpr double exactIntegerLimit = 9007199254740992.0;

class ObjectReader {
public:
    ObjectReader(const json& value, std::string path) : path_(std::move(path)) {
        if (!value.is_object()) {
            const std::string what = path_.empty() ? "The recipe" : "“" + path_.substr(0, path_.size() - 1) + "”";
            throw RecipeCodingError(what + " must be an object, not " + typeName(value));
        }
        object_ = &value.get_ref<const json::object_t&>();
    }

    // The value under `key`, or nullptr when the key is missing or null.
    const json* find(const char* key) const {
        const auto it = object_->find(key);
        if (it == object_->end() || it->second.is_null()) return nullptr;
        return &it->second;
    }

    const json& required(const char* key) const {
        const auto it = object_->find(key);
        if (it == object_->end()) fail(key, "is missing");
        if (it->second.is_null()) fail(key, "is null");
        return it->second;
    }

    [[noreturn]] void fail(const char* key, const std::string& what) const {
        throw RecipeCodingError("“" + path_ + key + "” " + what);
    }

    [[noreturn]] void wrongType(const char* key, const char* expected, const json& value) const {
        fail(key, std::string("must be ") + expected + ", not " + typeName(value));
    }

    std::string string(const char* key) const { return stringValue(key, required(key)); }
    bool boolean(const char* key) const { return booleanValue(key, required(key)); }
    double number(const char* key) const { return numberValue(key, required(key)); }
    std::int64_t integer(const char* key) const { return integerValue(key, required(key)); }

    std::uint64_t unsignedInteger(const char* key) const {
        const json& v = required(key);
        const char* range = "must be an integer from 0 to 18446744073709551615";
        switch (v.type()) {
        case json::value_t::number_unsigned: return v.get<std::uint64_t>();
        case json::value_t::number_integer: {
            const auto i = v.get<std::int64_t>();
            if (i < 0) fail(key, range);
            return std::uint64_t(i);
        }
        case json::value_t::number_float: {
            const double d = v.get<double>();
            if (!std::isfinite(d) || d != std::floor(d)) fail(key, "must be an integer");
            if (d < 0 || d > exactIntegerLimit) fail(key, range);
            return std::uint64_t(d);
        }
        default: wrongType(key, "an integer", v);
        }
    }

    std::optional<std::string> optionalString(const char* key) const {
        const json* v = find(key);
        return v ? std::optional(stringValue(key, *v)) : std::nullopt;
    }
    std::optional<bool> optionalBoolean(const char* key) const {
        const json* v = find(key);
        return v ? std::optional(booleanValue(key, *v)) : std::nullopt;
    }
    std::optional<double> optionalNumber(const char* key) const {
        const json* v = find(key);
        return v ? std::optional(numberValue(key, *v)) : std::nullopt;
    }

    std::string childPath(const char* key) const { return path_ + key + "."; }
    const std::string& path() const { return path_; }

private:
    std::string stringValue(const char* key, const json& v) const {
        if (!v.is_string()) wrongType(key, "a string", v);
        return v.get<std::string>();
    }

    bool booleanValue(const char* key, const json& v) const {
        if (!v.is_boolean()) wrongType(key, "a boolean", v);
        return v.get<bool>();
    }

    double numberValue(const char* key, const json& v) const {
        if (!v.is_number()) wrongType(key, "a number", v);
        const double d = v.get<double>();
        if (!std::isfinite(d)) fail(key, "must be a finite number");
        return d;
    }

    std::int64_t integerValue(const char* key, const json& v) const {
        const char* range = "must be an integer from -9223372036854775808 to 9223372036854775807";
        switch (v.type()) {
        case json::value_t::number_integer: return v.get<std::int64_t>();
        case json::value_t::number_unsigned: {
            const auto u = v.get<std::uint64_t>();
            if (u > std::uint64_t(INT64_MAX)) fail(key, range);
            return std::int64_t(u);
        }
        case json::value_t::number_float: {
            const double d = v.get<double>();
            if (!std::isfinite(d) || d != std::floor(d)) fail(key, "must be an integer");
            if (std::fabs(d) > exactIntegerLimit) fail(key, range);
            return std::int64_t(d);
        }
        default: wrongType(key, "an integer", v);
        }
    }

    std::string path_;
    const json::object_t* object_ = nullptr;
};

CustomPaletteStop stopFromJson(const json& value, const std::string& path) {
    const ObjectReader r(value, path);
    return {r.number("red"), r.number("green"), r.number("blue")};
}

ImageMosaicRecipe mosaicFromJson(const json& value) {
    const ObjectReader r(value, "imageMosaic.");
    ImageMosaicRecipe mosaic;
    mosaic.renderMode = r.string("renderMode");
    mosaic.tileShape = r.string("tileShape");
    mosaic.cornerRadius = r.number("cornerRadius");
    mosaic.bevel = r.number("bevel");
    mosaic.variation = r.number("variation");
    return mosaic;
}

RecipeImageAsset imageFromJson(const json& value) {
    const ObjectReader r(value, "image.");
    RecipeImageAsset image;
    image.fileName = r.string("fileName");
    image.cropCenterX = r.number("cropCenterX");
    image.cropCenterY = r.number("cropCenterY");
    image.cropZoom = r.number("cropZoom");
    if (const json* png = r.find("pngData")) {
        if (!png->is_string()) r.wrongType("pngData", "a Base64 string", *png);
        auto bytes = base64Decode(png->get_ref<const std::string&>());
        if (!bytes) r.fail("pngData", "is not valid Base64");
        image.pngData = std::move(*bytes);
    }
    return image;
}

}  // namespace

json recipeToJson(const DesignRecipe& recipe) {
    ObjectWriter w("");
    const auto created = isoDateText(recipe.createdAt);
    if (!created) throw RecipeCodingError("“createdAt” is not a date between the years 1 and 9999");

    w.string("id", recipe.id.toString());
    w.string("name", recipe.name);
    w.string("createdAt", *created);
    w.boolean("isFavorite", recipe.isFavorite);
    w.integer("version", recipe.version);
    w.string("formatIdentifier", recipe.formatIdentifier);
    w.string("wallpaperSource", recipe.wallpaperSource);
    w.integer("paletteIndex", recipe.paletteIndex);
    if (recipe.customPalette) {
        json::array_t stops;
        stops.reserve(recipe.customPalette->size());
        for (std::size_t i = 0; i < recipe.customPalette->size(); ++i)
            stops.push_back(stopToJson((*recipe.customPalette)[i], "customPalette[" + std::to_string(i) + "]."));
        w.value("customPalette", json(std::move(stops)));
    }
    w.string("shape", recipe.shape);
    w.integer("seed", recipe.seed);
    w.number("hue", recipe.hue).number("brightness", recipe.brightness);
    w.number("contrast", recipe.contrast).number("noise", recipe.noise);
    w.number("angle", recipe.angle).number("spread", recipe.spread);
    w.number("centerX", recipe.centerX).number("centerY", recipe.centerY);
    w.number("phase", recipe.phase);
    w.number("frequencyX", recipe.frequencyX).number("frequencyY", recipe.frequencyY);
    w.number("pixelScale", recipe.pixelScale).number("quantization", recipe.quantization);
    w.boolean("mirror", recipe.mirror).boolean("okLab", recipe.okLab);
    w.string("dither", recipe.dither);
    w.number("chroma", recipe.chroma).number("warp", recipe.warp);
    w.boolean("scanlines", recipe.scanlines).boolean("vignette", recipe.vignette);
    w.boolean("invert", recipe.invert).boolean("rgbSplit", recipe.rgbSplit);
    w.string("channel", recipe.channel);
    w.string("imagePaletteMode", recipe.imagePaletteMode).string("imageDither", recipe.imageDither);
    w.string("imagePixelShape", recipe.imagePixelShape).string("imageLook", recipe.imageLook);
    w.number("imagePixelSize", recipe.imagePixelSize).number("imageColorCount", recipe.imageColorCount);
    w.number("imageCellGap", recipe.imageCellGap).number("imageBrightness", recipe.imageBrightness);
    w.number("imageContrast", recipe.imageContrast).number("imageSaturation", recipe.imageSaturation);
    if (recipe.imageMosaic) w.value("imageMosaic", mosaicToJson(*recipe.imageMosaic));
    if (recipe.image) w.value("image", imageToJson(*recipe.image));
    w.value("pinnedProperties", json(recipe.pinnedProperties));
    w.string("exportFormat", recipe.exportFormat).string("exportResolution", recipe.exportResolution);
    w.optional("grainGradientActive", recipe.grainGradientActive);
    w.optional("grainGradientPreset", recipe.grainGradientPreset);
    w.optional("grainGradientScale", recipe.grainGradientScale);
    w.optional("grainGradientMode", recipe.grainGradientMode);
    w.optional("grainGradientWarp", recipe.grainGradientWarp);
    w.optional("grainGradientFlow", recipe.grainGradientFlow);
    w.optional("grainGradientGlow", recipe.grainGradientGlow);
    w.optional("animationPlaying", recipe.animationPlaying);
    w.optional("animationSpeed", recipe.animationSpeed);
    w.optional("animationLoopDuration", recipe.animationLoopDuration);
    w.optional("animationAmount", recipe.animationAmount);
    w.optional("animationProperty", recipe.animationProperty);
    w.optional("animationWaveform", recipe.animationWaveform);
    return w.take();
}

DesignRecipe recipeFromJson(const json& value) {
    const ObjectReader r(value, "");
    DesignRecipe recipe;
    const std::string id = r.string("id");
    const auto uuid = Uuid::parse(id);
    if (!uuid) r.fail("id", "is not a UUID");
    recipe.id = *uuid;
    recipe.name = r.string("name");
    const auto created = parseIsoDate(r.string("createdAt"));
    if (!created) r.fail("createdAt", "is not a date of the form 2025-03-01T09:30:00Z");
    recipe.createdAt = *created;
    recipe.isFavorite = r.boolean("isFavorite");
    recipe.version = r.integer("version");
    recipe.formatIdentifier = r.string("formatIdentifier");
    recipe.wallpaperSource = r.string("wallpaperSource");
    recipe.paletteIndex = r.integer("paletteIndex");
    if (const json* stops = r.find("customPalette")) {
        if (!stops->is_array()) r.wrongType("customPalette", "an array", *stops);
        std::vector<CustomPaletteStop> palette;
        palette.reserve(stops->size());
        for (std::size_t i = 0; i < stops->size(); ++i)
            palette.push_back(stopFromJson((*stops)[i], "customPalette[" + std::to_string(i) + "]."));
        recipe.customPalette = std::move(palette);
    }
    recipe.shape = r.string("shape");
    recipe.seed = r.unsignedInteger("seed");
    recipe.hue = r.number("hue");
    recipe.brightness = r.number("brightness");
    recipe.contrast = r.number("contrast");
    recipe.noise = r.number("noise");
    recipe.angle = r.number("angle");
    recipe.spread = r.number("spread");
    recipe.centerX = r.number("centerX");
    recipe.centerY = r.number("centerY");
    recipe.phase = r.number("phase");
    recipe.frequencyX = r.number("frequencyX");
    recipe.frequencyY = r.number("frequencyY");
    recipe.pixelScale = r.number("pixelScale");
    recipe.quantization = r.number("quantization");
    recipe.mirror = r.boolean("mirror");
    recipe.okLab = r.boolean("okLab");
    recipe.dither = r.string("dither");
    recipe.chroma = r.number("chroma");
    recipe.warp = r.number("warp");
    recipe.scanlines = r.boolean("scanlines");
    recipe.vignette = r.boolean("vignette");
    recipe.invert = r.boolean("invert");
    recipe.rgbSplit = r.boolean("rgbSplit");
    recipe.channel = r.string("channel");
    recipe.imagePaletteMode = r.string("imagePaletteMode");
    recipe.imageDither = r.string("imageDither");
    recipe.imagePixelShape = r.string("imagePixelShape");
    recipe.imageLook = r.string("imageLook");
    recipe.imagePixelSize = r.number("imagePixelSize");
    recipe.imageColorCount = r.number("imageColorCount");
    recipe.imageCellGap = r.number("imageCellGap");
    recipe.imageBrightness = r.number("imageBrightness");
    recipe.imageContrast = r.number("imageContrast");
    recipe.imageSaturation = r.number("imageSaturation");
    if (const json* mosaic = r.find("imageMosaic")) recipe.imageMosaic = mosaicFromJson(*mosaic);
    if (const json* image = r.find("image")) recipe.image = imageFromJson(*image);
    const json& pinned = r.required("pinnedProperties");
    if (!pinned.is_array()) r.wrongType("pinnedProperties", "an array of strings", pinned);
    recipe.pinnedProperties.reserve(pinned.size());
    for (const auto& element : pinned) {
        if (!element.is_string()) r.wrongType("pinnedProperties", "an array of strings", element);
        recipe.pinnedProperties.push_back(element.get<std::string>());
    }
    recipe.exportFormat = r.string("exportFormat");
    recipe.exportResolution = r.string("exportResolution");
    recipe.grainGradientActive = r.optionalBoolean("grainGradientActive");
    recipe.grainGradientPreset = r.optionalString("grainGradientPreset");
    recipe.grainGradientScale = r.optionalNumber("grainGradientScale");
    recipe.grainGradientMode = r.optionalString("grainGradientMode");
    recipe.grainGradientWarp = r.optionalNumber("grainGradientWarp");
    recipe.grainGradientFlow = r.optionalNumber("grainGradientFlow");
    recipe.grainGradientGlow = r.optionalNumber("grainGradientGlow");
    recipe.animationPlaying = r.optionalBoolean("animationPlaying");
    recipe.animationSpeed = r.optionalNumber("animationSpeed");
    recipe.animationLoopDuration = r.optionalNumber("animationLoopDuration");
    recipe.animationAmount = r.optionalNumber("animationAmount");
    recipe.animationProperty = r.optionalString("animationProperty");
    recipe.animationWaveform = r.optionalString("animationWaveform");
    return recipe;
}

namespace {

json parseRecipeFile(std::string_view bytes) {
    if (bytes.size() > recipeFileSizeLimit)
        throw RecipeCodingError("The file is larger than 64 MiB (" + std::to_string(bytes.size()) + " bytes)");
    try {
        return JsonText::parse(bytes);
    } catch (const JsonText::Error& error) {
        throw RecipeCodingError(std::string("The file is not valid JSON: ") + error.what());
    }
}

std::string writeJson(const json& value) {
    try {
        return JsonText::write(value);
    } catch (const JsonText::Error& error) {
        throw RecipeCodingError(std::string("The recipe could not be written: ") + error.what());
    }
}

}  // namespace

std::string encodeRecipeDocument(const DesignRecipe& recipe) { return writeJson(recipeToJson(recipe)); }

DesignRecipe decodeRecipeDocument(std::string_view bytes) { return recipeFromJson(parseRecipeFile(bytes)); }

std::string encodeRecipeArray(std::span<const DesignRecipe> recipes) {
    json::array_t elements;
    elements.reserve(recipes.size());
    for (const auto& recipe : recipes) elements.push_back(recipeToJson(recipe));
    return writeJson(json(std::move(elements)));
}

std::vector<DesignRecipe> decodeRecipeArray(std::string_view bytes) {
    const json value = parseRecipeFile(bytes);
    if (!value.is_array()) throw RecipeCodingError(std::string("The file holds ") + typeName(value) + ", not an array");
    std::vector<DesignRecipe> recipes;
    recipes.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        try {
            recipes.push_back(recipeFromJson(value[i]));
        } catch (const RecipeCodingError& error) {
            throw RecipeCodingError("Recipe " + std::to_string(i + 1) + ": " + error.what());
        }
    }
    return recipes;
}

}  // namespace glimora
