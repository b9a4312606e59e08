// Making recipes from the design, applying them back, and the recipe library.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "model/recipe_library.hpp"
#include "model/utf8.hpp"
#include "state/notch_view_model.hpp"
#include "state/recipe_library_writer.hpp"
#include "state/recipe_names.hpp"

namespace glimora {

namespace {

// A recipe is a file from anywhere: a number that is not finite stands for
// nothing and gives the field's initial value.
double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

// At or below the lower bound gives the lower bound, above the upper the upper.
double clampTo(double value, double lower, double upper) {
    if (value <= lower) return lower;
    if (value > upper) return upper;
    return value;
}

template <OptionEnum E>
E optionOr(std::string_view text, E fallback) {
    return fromRawValue<E>(text).value_or(fallback);
}

GrainGradientMode modeOfPreset(GrainGradientPreset preset) {
    switch (preset) {
    case GrainGradientPreset::aurora: return GrainGradientMode::liquid;
    case GrainGradientPreset::ember: return GrainGradientMode::bloom;
    case GrainGradientPreset::ocean: return GrainGradientMode::liquid;
    case GrainGradientPreset::pastel: return GrainGradientMode::ribbon;
    case GrainGradientPreset::spectrum: return GrainGradientMode::halftone;
    }
    return GrainGradientMode::liquid;
}

ImageCrop cropOf(const RecipeImageAsset& image) {
    return {clampTo(finiteOr(image.cropCenterX, 0.5), 0, 1), clampTo(finiteOr(image.cropCenterY, 0.5), 0, 1),
            std::max(finiteOr(image.cropZoom, 1), 1.0)};
}

}  // namespace

Uuid NotchViewModel::newUuid() const {
    std::array<std::uint8_t, 16> bytes{};
    services_.idRandom->fill(bytes);
    return Uuid::fromRandomBytes(bytes);
}

std::shared_ptr<const RecipeLibraryWriter::PhotoPng> NotchViewModel::recipePhoto(
    const PixelImageBuffer& buffer) const {
    for (const RecipePhoto& photo : recipePhotos_)
        if (buffer.rgba && photo.rgba.lock() == buffer.rgba && photo.width == buffer.width &&
            photo.height == buffer.height)
            return photo.png;
    // Only photos still loaded keep their entry.
    std::erase_if(recipePhotos_, [this](const RecipePhoto& photo) {
        const auto rgba = photo.rgba.lock();
        return !rgba || std::none_of(imageAssets_.begin(), imageAssets_.end(), [&rgba](const auto& asset) {
            return asset.buffer.rgba == rgba;
        });
    });
    auto png = std::make_shared<const PhotoPng>(buffer);
    if (buffer.rgba) recipePhotos_.push_back({buffer.rgba, buffer.width, buffer.height, png});
    return png;
}

std::pair<DesignRecipe, std::shared_ptr<const RecipeLibraryWriter::PhotoPng>> NotchViewModel::makeRecipeForSaving(
    const std::string& name) {
    DesignRecipe recipe = makeRecipe(name, false);
    const ImportedImageAsset* asset = currentImageAsset();
    if (!recipe.image || !asset) return {std::move(recipe), nullptr};
    auto photo = recipePhoto(asset->buffer);
    const auto scheduler = services_.scheduler;
    if (photo->isReady() || !scheduler) {
        recipe.image->pngData = photo->bytes();
        return {std::move(recipe), nullptr};
    }
    // Encoding a camera-sized photo takes far longer than a frame: it runs in
    // the background and the entry gets its bytes when they are ready. The
    // library file never lacks them, as its writer waits for the same bytes.
    if (photo->claimBackgroundEncoding())
        scheduler->background([photo, scheduler = std::weak_ptr<Scheduler>(scheduler), self = weakSelf()] {
            (void)photo->bytes();
            if (const auto main = scheduler.lock())
                main->post([photo, self] {
                    if (NotchViewModel* model = self.get()) model->photoEncoded(photo);
                });
        });
    return {std::move(recipe), std::move(photo)};
}

std::shared_ptr<const RecipeLibraryWriter::PhotoPng> NotchViewModel::photoAwaitedBy(
    const DesignRecipe& recipe) const {
    if (!recipe.image || recipe.image->pngData) return nullptr;
    for (const AwaitedPhoto& awaited : awaitedPhotos_)
        if (awaited.id == recipe.id && awaited.fileName == recipe.image->fileName) return awaited.png;
    return nullptr;
}

std::optional<SharedBytes> NotchViewModel::entryPngData(const DesignRecipe& recipe) const {
    if (!recipe.image) return std::nullopt;
    if (recipe.image->pngData) return recipe.image->pngData;
    if (const auto photo = photoAwaitedBy(recipe)) {
        // Made here when the background has not started on it, otherwise
        // waited for: either way the same bytes the entry is about to get.
        return photo->bytes();
    }
    for (const DesignRecipe& entry : recipeHistory_)
        if (entry.id == recipe.id && entry.image && entry.image->pngData && entry.signature() == recipe.signature())
            return entry.image->pngData;
    return std::nullopt;
}

void NotchViewModel::photoEncoded(const std::shared_ptr<const PhotoPng>& photo) {
    bool changed = false;
    for (const AwaitedPhoto& awaited : awaitedPhotos_) {
        if (awaited.png != photo) continue;
        for (DesignRecipe& recipe : recipeHistory_) {
            if (recipe.id != awaited.id || !recipe.image || recipe.image->pngData ||
                recipe.image->fileName != awaited.fileName)
                continue;
            // The entry gets the same bytes from its photo: it stays as it is.
            recipe.image->pngData = photo->bytes();
            changed = true;
        }
    }
    std::erase_if(awaitedPhotos_, [&photo](const AwaitedPhoto& awaited) { return awaited.png == photo; });
    if (changed) publish(Prop::recipeHistory);
}

// Making and applying

DesignRecipe NotchViewModel::makeRecipe(const std::string& name, bool includeImageData) const {
    std::optional<RecipeImageAsset> image;
    const ImportedImageAsset* asset = currentImageAsset();
    if (wallpaperSource_ == WallpaperSource::image && asset) {
        image = RecipeImageAsset{asset->fileName, asset->crop.centerX, asset->crop.centerY, asset->crop.zoom,
                                 std::nullopt};
        if (includeImageData) image->pngData = recipePhoto(asset->buffer)->bytes();
    }

    DesignRecipe r;
    r.id = newUuid();
    r.name = name;
    r.createdAt = services_.clock->now();
    r.isFavorite = false;
    r.version = recipeFormatVersion;
    r.formatIdentifier = recipeFormatIdentifier;
    r.wallpaperSource = wallpaperSource_ == WallpaperSource::image ? "image" : "gradient";
    r.paletteIndex = paletteIndex_;
    r.customPalette = customPaletteStops_;
    r.shape = rawValue(shape_);
    r.seed = designSeed_;
    r.hue = hue_;
    r.brightness = brightness_;
    r.contrast = contrast_;
    r.noise = noise_;
    r.angle = angle_;
    r.spread = spread_;
    r.centerX = centerX_;
    r.centerY = centerY_;
    r.phase = phase_;
    r.frequencyX = frequencyX_;
    r.frequencyY = frequencyY_;
    r.pixelScale = pixelScale_;
    r.quantization = quantization_;
    r.mirror = mirror_;
    r.okLab = okLab_;
    r.dither = rawValue(dither_);
    r.chroma = chroma_;
    r.warp = warp_;
    r.scanlines = scanlines_;
    r.vignette = vignette_;
    r.invert = invert_;
    r.rgbSplit = rgbSplit_;
    r.channel = rawValue(channel_);
    r.imagePaletteMode = rawValue(imagePaletteMode_);
    r.imageDither = rawValue(imageDither_);
    r.imagePixelShape = rawValue(imagePixelShape_);
    r.imageLook = rawValue(imageLook_);
    r.imagePixelSize = imagePixelSize_;
    r.imageColorCount = imageColorCount_;
    r.imageCellGap = imageCellGap_;
    r.imageBrightness = imageBrightness_;
    r.imageContrast = imageContrast_;
    r.imageSaturation = imageSaturation_;
    r.imageMosaic = ImageMosaicRecipe{imageRenderMode_ == ImageRenderMode::mosaic ? "mosaic" : "pixel",
                                      std::string(rawValue(imageMosaicTileShape_)), imageMosaicCornerRadius_,
                                      imageMosaicBevel_, imageMosaicVariation_};
    r.image = std::move(image);
    for (const ShuffleProperty property : pinnedProperties_) r.pinnedProperties.emplace_back(rawValue(property));
    std::sort(r.pinnedProperties.begin(), r.pinnedProperties.end());
    r.exportFormat = exportFormat_ == ExportFormat::svg ? "svg" : "png";
    r.exportResolution = rawValue(exportResolution_);
    r.grainGradientActive = grainGradientActive_;
    r.grainGradientPreset = std::string(rawValue(grainGradientPreset_));
    r.grainGradientScale = grainGradientScale_;
    r.grainGradientMode = std::string(rawValue(grainGradientMode_));
    r.grainGradientWarp = grainGradientWarp_;
    r.grainGradientFlow = grainGradientFlow_;
    r.grainGradientGlow = grainGradientGlow_;
    r.animationPlaying = animationPlaying_;
    r.animationSpeed = animationSpeed_;
    r.animationLoopDuration = animationLoopDuration_;
    r.animationAmount = animationAmount_;
    r.animationProperty = std::string(rawValue(animationProperty_));
    r.animationWaveform = std::string(rawValue(animationWaveform_));
    return r;
}

void NotchViewModel::applyRecipe(const DesignRecipe& recipe) {
    setWallpaperSource(recipe.wallpaperSource == "image" ? WallpaperSource::image : WallpaperSource::gradient);

    if (recipe.customPalette && !recipe.customPalette->empty()) {
        std::vector<CustomPaletteStop> stops;
        stops.reserve(recipe.customPalette->size());
        for (const CustomPaletteStop& stop : *recipe.customPalette)
            stops.push_back({finiteOr(stop.red, 0), finiteOr(stop.green, 0), finiteOr(stop.blue, 0)});
        setCustomPaletteStops(std::move(stops));
    }
    const auto paletteCount = static_cast<std::int64_t>(builtInPalettes().size());
    setPaletteIndex(static_cast<int>(recipe.paletteIndex == paletteCount
                                         ? paletteCount
                                         : std::clamp<std::int64_t>(recipe.paletteIndex, 0, paletteCount - 1)));
    setShape(optionOr(recipe.shape, NotchShape::linear));
    setDesignSeed(recipe.seed);

    setHue(finiteOr(recipe.hue, 0));
    setBrightness(finiteOr(recipe.brightness, 0));
    setContrast(finiteOr(recipe.contrast, 100));
    setNoise(finiteOr(recipe.noise, 0));
    setAngle(finiteOr(recipe.angle, 135));
    setSpread(finiteOr(recipe.spread, 140));
    setCenterX(finiteOr(recipe.centerX, 50));
    setCenterY(finiteOr(recipe.centerY, 50));
    setPhase(finiteOr(recipe.phase, 0));
    setFrequencyX(finiteOr(recipe.frequencyX, 4));
    setFrequencyY(finiteOr(recipe.frequencyY, 2));
    setPixelScale(finiteOr(recipe.pixelScale, 3));
    setQuantization(finiteOr(recipe.quantization, 6));
    setMirror(recipe.mirror);
    setOkLab(recipe.okLab);
    setDither(optionOr(recipe.dither, DitherMode::eightByEight));
    setChroma(finiteOr(recipe.chroma, 0));
    setWarp(finiteOr(recipe.warp, 0));
    setScanlines(recipe.scanlines);
    setVignette(recipe.vignette);
    setInvert(recipe.invert);
    setRgbSplit(recipe.rgbSplit);
    setChannel(optionOr(recipe.channel, StyleChannel::rgb));

    setImagePaletteMode(optionOr(recipe.imagePaletteMode, ImagePaletteMode::source));
    setImageDither(optionOr(recipe.imageDither, ImageDitherStyle::bayer8));
    setImagePixelShape(optionOr(recipe.imagePixelShape, ImagePixelShape::square));
    setImageLook(optionOr(recipe.imageLook, ImagePixelLook::softDither));
    if (const auto& mosaic = recipe.imageMosaic) {
        setImageRenderMode(mosaic->renderMode == "mosaic" ? ImageRenderMode::mosaic : ImageRenderMode::pixel);
        setImageMosaicTileShape(optionOr(mosaic->tileShape, ImageMosaicTileShape::rounded));
        setImageMosaicCornerRadius(clampTo(finiteOr(mosaic->cornerRadius, 0.18), 0, 0.45));
        setImageMosaicBevel(clampTo(finiteOr(mosaic->bevel, 35), 0, 100));
        setImageMosaicVariation(clampTo(finiteOr(mosaic->variation, 8), 0, 100));
    } else {
        setImageRenderMode(ImageRenderMode::pixel);
    }
    setImagePixelSize(finiteOr(recipe.imagePixelSize, 5));
    setImageColorCount(finiteOr(recipe.imageColorCount, 8));
    setImageCellGap(finiteOr(recipe.imageCellGap, 0.14));
    setImageBrightness(finiteOr(recipe.imageBrightness, 0));
    setImageContrast(finiteOr(recipe.imageContrast, 112));
    setImageSaturation(finiteOr(recipe.imageSaturation, 110));

    setExportFormat(recipe.exportFormat == "svg" ? ExportFormat::svg : ExportFormat::png);
    setExportResolution(optionOr(recipe.exportResolution, ExportResolution::fourK));
    setGrainGradientActive(recipe.grainGradientActive.value_or(false));
    const GrainGradientPreset preset =
        optionOr(recipe.grainGradientPreset.value_or(std::string()), GrainGradientPreset::aurora);
    setGrainGradientPreset(preset);
    setGrainGradientMode(optionOr(recipe.grainGradientMode.value_or(std::string()), modeOfPreset(preset)));
    const auto grainValue = [](const std::optional<double>& value, double initial) {
        return clampTo(finiteOr(value.value_or(initial), initial), 0, 100);
    };
    setGrainGradientScale(grainValue(recipe.grainGradientScale, 54));
    setGrainGradientWarp(grainValue(recipe.grainGradientWarp, 58));
    setGrainGradientFlow(grainValue(recipe.grainGradientFlow, 48));
    setGrainGradientGlow(grainValue(recipe.grainGradientGlow, 62));

    setAnimationSpeed(clampTo(finiteOr(recipe.animationSpeed.value_or(1), 1), 0.05, 4));
    setAnimationLoopDuration(clampTo(finiteOr(recipe.animationLoopDuration.value_or(8), 8), 1, 120));
    setAnimationAmount(clampTo(finiteOr(recipe.animationAmount.value_or(50), 50), 0, 100));
    setAnimationProperty(optionOr(recipe.animationProperty.value_or(std::string()), AnimationProperty::angle));
    setAnimationWaveform(optionOr(recipe.animationWaveform.value_or(std::string()), AnimationWaveform::sine));
    setAnimationPlaying(false);
    animationStartTime_.reset();
    animationPausedProgress_ = 0;

    std::set<ShuffleProperty> pins;
    for (const std::string& name : recipe.pinnedProperties)
        if (const auto property = fromRawValue<ShuffleProperty>(name)) pins.insert(*property);
    setPinnedProperties(std::move(pins));
    savePinnedProperties();

    if (recipe.wallpaperSource == "image") restoreRecipeImage(recipe);

    validateAnimationProperty();
    if (recipe.animationPlaying.value_or(false) && wallpaperSource_ == WallpaperSource::gradient &&
        !availableAnimationProperties().empty())
        toggleAnimation();
    fire(onLayoutChange_);
}

void NotchViewModel::restoreRecipeImage(const DesignRecipe& recipe) {
    if (!recipe.image) {
        setWallpaperSource(WallpaperSource::gradient);
        setImageStatus("This recipe does not include its source image");
        return;
    }
    const RecipeImageAsset& image = *recipe.image;
    const ImageCrop crop = cropOf(image);

    std::optional<PixelImageBuffer> decoded;
    const std::optional<SharedBytes> png = entryPngData(recipe);
    if (png && services_.decodeImage) {
        try {
            decoded = services_.decodeImage(png->vector(), recipeImageMaxPixelSize, nullptr);
        } catch (...) {
            decoded.reset();
        }
    }
    if (decoded) {
        std::vector<ImportedImageAsset> assets;
        assets.push_back({newUuid(), image.fileName, *decoded, *decoded, crop});
        setImageAssets(std::move(assets));
        setCurrentImageIndex(0);
        rebuildImageShuffleOrder();
        setImageStatus("Restored from recipe");
        setWallpaperSource(WallpaperSource::image);
        return;
    }

    const auto found = std::find_if(imageAssets_.begin(), imageAssets_.end(), [&image](const auto& asset) {
        return asset.fileName == image.fileName;
    });
    if (found == imageAssets_.end()) {
        setWallpaperSource(WallpaperSource::gradient);
        setImageStatus("Import " + image.fileName + " to restore this image");
        return;
    }
    const auto index = static_cast<std::size_t>(found - imageAssets_.begin());
    setCurrentImageIndex(static_cast<int>(std::min<std::size_t>(index, INT_MAX)));
    updateImageAssets([index, crop](std::vector<ImportedImageAsset>& assets) { assets[index].crop = crop; });
    setWallpaperSource(WallpaperSource::image);
    setImageStatus("Restored from current images");
}

std::string NotchViewModel::designDisplayName() const {
    const ImportedImageAsset* asset = currentImageAsset();
    if (wallpaperSource_ == WallpaperSource::image && asset && !asset->fileName.empty())
        return capitalizedWords(asset->fileName);
    return activePalette().name + " \u00B7 " + std::string(title(shape_));
}

// The library

void NotchViewModel::removeRecipe(std::size_t index) {
    recipeHistory_.erase(recipeHistory_.begin() + static_cast<std::ptrdiff_t>(index));
    recipeHistoryEntries_.erase(recipeHistoryEntries_.begin() + static_cast<std::ptrdiff_t>(index));
    publish(Prop::recipeHistory);
}

void NotchViewModel::insertRecipe(DesignRecipe recipe, bool replacingSameDesign,
                                  std::shared_ptr<const PhotoPng> photo) {
    if (replacingSameDesign) {
        // Under canonical equivalence: a photo name spelt with a combining
        // accent is the same design as one with the precomposed letter.
        const std::string signature = recipe.canonicalSignature();
        for (std::size_t i = 0; i < recipeHistory_.size(); ++i) {
            if (recipeHistory_[i].canonicalSignature() != signature) continue;
            recipe.isFavorite = recipe.isFavorite || recipeHistory_[i].isFavorite;
            removeRecipe(i);
            break;
        }
    }
    if (photo && recipe.image && !recipe.image->pngData)
        awaitedPhotos_.push_back({recipe.id, recipe.image->fileName, std::move(photo)});
    recipeHistory_.insert(recipeHistory_.begin(), std::move(recipe));
    recipeHistoryEntries_.insert(recipeHistoryEntries_.begin(), nullptr);
    publish(Prop::recipeHistory);
    while (recipeHistory_.size() > recipeHistoryLimit) {
        // The entry just added stays whatever the others are: the eviction
        // looks at the older ones only, the last that is not a favourite first.
        std::size_t victim = recipeHistory_.size() - 1;
        for (std::size_t i = recipeHistory_.size() - 1; i >= 1; --i) {
            if (!recipeHistory_[i].isFavorite) {
                victim = i;
                break;
            }
        }
        removeRecipe(victim);
    }
}

bool NotchViewModel::saveLibrary() {
    if (recipeHistoryLoading_) {
        // Writing now would replace the file with what was made since start;
        // the list read must also take in what was made meanwhile.
        librarySaveWaiting_ = true;
        return true;
    }
    if (!libraryWriter_->hasFile()) return true;
    const std::size_t count = std::min(recipeHistory_.size(), recipeHistoryLimit);
    std::vector<RecipeLibraryWriter::EntryRef> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto& entry = recipeHistoryEntries_[i];
        const DesignRecipe& recipe = recipeHistory_[i];
        if (!entry) entry = std::make_shared<const RecipeLibraryWriter::Entry>(recipe, photoAwaitedBy(recipe));
        entries.push_back(entry);
    }
    auto outcome = libraryWriter_->save(
        std::move(entries), [self = weakSelf(), logger = services_.logger](RecipeLibraryWriter::Outcome outcome) {
            for (const std::string& line : outcome.logLines) logger->log(line);
            NotchViewModel* model = self.get();
            if (model && !outcome.saved) model->libraryNotSaved();
        });
    if (!outcome) return true;
    for (const std::string& line : outcome->logLines) services_.logger->log(line);
    return outcome->saved;
}

void NotchViewModel::loadRecipeHistoryInBackground() {
    recipeHistoryLoading_ = true;
    services_.scheduler->background([load = services_.loadRecipeHistory,
                                     scheduler = std::weak_ptr<Scheduler>(services_.scheduler), self = weakSelf()] {
        if (self.expired()) return;
        // Shared, so that handing the list over never copies its photos.
        auto recipes = std::make_shared<std::vector<DesignRecipe>>(load());
        if (const auto main = scheduler.lock())
            main->post([self, recipes] {
                if (NotchViewModel* model = self.get()) model->recipeHistoryLoaded(std::move(*recipes));
            });
    });
}

void NotchViewModel::recipeHistoryLoaded(std::vector<DesignRecipe> loaded) {
    recipeHistoryLoading_ = false;
    if (!std::exchange(librarySaveWaiting_, false)) {
        setRecipeHistory(std::move(loaded));
        return;
    }
    // What was saved meanwhile goes in front, newest first, as if it had been
    // saved after the file was read: the same design replaces its stored
    // copy and the oldest give way past 36.
    std::vector<DesignRecipe> made = std::exchange(recipeHistory_, std::move(loaded));
    recipeHistoryEntries_.assign(recipeHistory_.size(), nullptr);
    for (auto recipe = made.rbegin(); recipe != made.rend(); ++recipe) insertRecipe(std::move(*recipe), true);
    publish(Prop::recipeHistory);
    if (!saveLibrary()) libraryNotSaved();
}

void NotchViewModel::libraryNotSaved() { setRecipeStatus("Could not save library"); }

void NotchViewModel::addRecipeToLibrary(DesignRecipe recipe, bool replacingSameDesign) {
    insertRecipe(std::move(recipe), replacingSameDesign);
    if (!saveLibrary()) libraryNotSaved();
}

DesignRecipe NotchViewModel::saveToLibrary(const std::optional<std::string>& name, bool postStatus) {
    const std::string_view trimmed = trimmingWhitespaceAndNewlines(name ? *name : recipeName_);
    auto [recipe, photo] = makeRecipeForSaving(trimmed.empty() ? designDisplayName() : std::string(trimmed));
    insertRecipe(recipe, true, std::move(photo));
    const bool saved = saveLibrary();
    setActiveRecipeID(recipe.id);
    setRecipeName(recipe.displayName());
    if (!saved)
        libraryNotSaved();
    else if (postStatus)
        setRecipeStatus("Saved to library");
    return recipe;
}

void NotchViewModel::recordHistory() {
    auto [recipe, photo] = makeRecipeForSaving(designDisplayName());
    const Uuid id = recipe.id;
    std::string name = recipe.displayName();
    insertRecipe(std::move(recipe), true, std::move(photo));
    const bool saved = saveLibrary();
    setActiveRecipeID(id);
    setRecipeName(std::move(name));
    if (!saved) libraryNotSaved();
}

void NotchViewModel::openRecipe(DesignRecipe recipe) {
    applyRecipe(recipe);
    setActiveRecipeID(recipe.id);
    const std::string name = recipe.displayName();
    setRecipeName(name);
    setRecipeStatus("Opened " + name);
}

void NotchViewModel::toggleFavorite(Uuid id) {
    const auto found = std::find_if(recipeHistory_.begin(), recipeHistory_.end(),
                                    [&id](const DesignRecipe& recipe) { return recipe.id == id; });
    if (found == recipeHistory_.end()) return;
    const auto index = static_cast<std::size_t>(found - recipeHistory_.begin());
    found->isFavorite = !found->isFavorite;
    recipeHistoryEntries_[index] = nullptr;
    publish(Prop::recipeHistory);
    if (!saveLibrary()) libraryNotSaved();
}

void NotchViewModel::deleteRecipe(Uuid id) {
    for (std::size_t i = recipeHistory_.size(); i-- > 0;) {
        if (recipeHistory_[i].id != id) continue;
        recipeHistory_.erase(recipeHistory_.begin() + static_cast<std::ptrdiff_t>(i));
        recipeHistoryEntries_.erase(recipeHistoryEntries_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    publish(Prop::recipeHistory);
    if (activeRecipeID_ == id) setActiveRecipeID(std::nullopt);
    setRecipeStatus(saveLibrary() ? "Removed from library" : "Could not save library");
}

}  // namespace glimora
