#include "state/notch_view_model.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

#include "model/recipe_library.hpp"
#include "render/image_pixelizer.hpp"
#include "model/decimal_text.hpp"
#include "state/recipe_library_writer.hpp"

namespace glimora {

NotchViewModel::Services NotchViewModel::withDefaults(Services services) {
    if (!services.preferences) services.preferences = std::make_shared<MemoryPreferences>();
    if (!services.clock) services.clock = std::make_shared<SystemClock>();
    if (!services.random) services.random = std::make_shared<SystemRandom>();
    if (!services.idRandom) services.idRandom = std::make_shared<SystemRandom>();
    if (!services.bookmarks) services.bookmarks = std::make_shared<PathBookmarks>();
    if (!services.paths) services.paths = std::make_shared<XdgPaths>();
    if (!services.logger) services.logger = std::make_shared<SystemLogger>();
    if (!services.decodeImage)
        services.decodeImage = [](std::span<const std::uint8_t> data, int maxPixelSize,
                                  DecodeNotes* notes) -> std::optional<PixelImageBuffer> {
            try {
                return PixelImageBuffer::load(data, maxPixelSize, notes);
            } catch (ImagePixelizer::PixelizerError) {
                return std::nullopt;
            }
        };
    return services;
}

NotchViewModel::NotchViewModel() : NotchViewModel(Services{}) {}

NotchViewModel::NotchViewModel(Services services)
    : services_(withDefaults(std::move(services))), lifetime_(std::make_shared<NotchViewModel*>(this)) {
    libraryWriter_ = std::make_unique<RecipeLibraryWriter>(recipeHistoryURL(services_.paths->dataHome()),
                                                           services_.scheduler);
    Preferences& preferences = *services_.preferences;
    // The setter runs the placement observer against the initial `top`, so a
    // stored non-top placement is written back unchanged; no callbacks exist yet.
    setNotchPlacement(loadNotchPlacement(preferences).value_or(NotchPlacement::top));
    setCustomSideExpandedWidth(loadSideExpandedWidth(preferences));
    setPinnedProperties(loadPinnedProperties(preferences));
    setOutputFolderURL(loadOutputFolderURL(preferences, *services_.bookmarks));
    if (services_.loadRecipeHistory && services_.loadRecipeHistoryInBackground && services_.scheduler)
        loadRecipeHistoryInBackground();
    else
        setRecipeHistory(services_.loadRecipeHistory ? services_.loadRecipeHistory() : std::vector<DesignRecipe>{});
    // The first shuffle must not come back to the design shown at start.
    gradientShuffleHistory_.insert(gradientSignature());
}

NotchViewModel::~NotchViewModel() {
    exportTask_.cancel();
    exportStatusResetTask_.cancel();
    copyStatusResetTask_.cancel();
    lifetime_.reset();
}

// Change notification

NotchViewModel::ListenerId NotchViewModel::onChange(ChangeListener listener) {
    const ListenerId id = nextListenerId_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void NotchViewModel::removeChangeListener(ListenerId id) {
    for (auto& entry : listeners_) {
        if (entry.first != id) continue;
        // A listener may remove itself while it runs: only mark it now.
        entry.first = 0;
        hasRemovedListeners_ = true;
    }
    if (publishDepth_ == 0) compactListeners();
}

void NotchViewModel::compactListeners() {
    if (!hasRemovedListeners_) return;
    std::erase_if(listeners_, [](const auto& entry) { return entry.first == 0; });
    hasRemovedListeners_ = false;
}

void NotchViewModel::publish(Prop prop) {
    if (listeners_.empty()) return;
    ++publishDepth_;
    // Listeners added while this runs hear from the next write on; the deque
    // keeps the running one in place when others are added.
    const std::size_t count = listeners_.size();
    for (std::size_t i = 0; i < count; ++i)
        if (listeners_[i].first != 0) listeners_[i].second(prop);
    --publishDepth_;
    if (publishDepth_ == 0) compactListeners();
}

void NotchViewModel::fire(const Callback& callback) {
    if (!callback) return;
    // A copy survives the callback replacing itself.
    const Callback call = callback;
    call();
}

// Setters

#define GLIMORA_DEFINE_SETTER_plain(Type, name, Name)                                                          \
    void NotchViewModel::set##Name(Type value) {                                                               \
        name##_ = std::move(value);                                                                            \
        publish(Prop::name);                                                                                   \
    }
#define GLIMORA_DEFINE_SETTER_observed(Type, name, Name)
#define GLIMORA_DEFINE_SETTER(Type, name, Name, initial, kind) GLIMORA_DEFINE_SETTER_##kind(Type, name, Name)
GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_DEFINE_SETTER)
#undef GLIMORA_DEFINE_SETTER
#undef GLIMORA_DEFINE_SETTER_observed
#undef GLIMORA_DEFINE_SETTER_plain

void NotchViewModel::setExpanded(bool value) {
    const bool oldValue = std::exchange(expanded_, value);
    publish(Prop::expanded);
    expandedDidSet(oldValue);
}

void NotchViewModel::setNotchPlacement(NotchPlacement value) {
    const NotchPlacement oldValue = std::exchange(notchPlacement_, value);
    publish(Prop::notchPlacement);
    notchPlacementDidSet(oldValue);
}

void NotchViewModel::setWallpaperSource(WallpaperSource value) {
    wallpaperSource_ = value;
    publish(Prop::wallpaperSource);
    wallpaperSourceDidSet();
}

void NotchViewModel::setRecipeHistory(std::vector<DesignRecipe> value) {
    recipeHistory_ = std::move(value);
    recipeHistoryEntries_.assign(recipeHistory_.size(), nullptr);
    publish(Prop::recipeHistory);
}

void NotchViewModel::setSelectedTab(NotchTab value) {
    const NotchTab oldValue = std::exchange(selectedTab_, value);
    publish(Prop::selectedTab);
    selectedTabDidSet(oldValue);
}

// Observers

void NotchViewModel::expandedDidSet(bool oldValue) {
    if (expanded_ != oldValue) fire(onLayoutChange_);
}

void NotchViewModel::notchPlacementDidSet(NotchPlacement oldValue) {
    const NotchPlacement placement = notchPlacement_;
    if (placement == oldValue) return;
    services_.preferences->setValue(notchPlacementKey, std::string(rawValue(placement)));
    fire(onPlacementChange_);
    fire(onLayoutChange_);
}

void NotchViewModel::selectedTabDidSet(NotchTab oldValue) {
    const NotchTab tab = selectedTab_;
    if (tab == oldValue) return;
    if (tab == NotchTab::gradients) {
        setGrainGradientActive(true);
        setWallpaperSource(WallpaperSource::gradient);
    } else if (tab == NotchTab::shape) {
        setGrainGradientActive(false);
        const auto offered = shapeTabCases();
        if (std::find(offered.begin(), offered.end(), shape_) == offered.end()) {
            setShape(NotchShape::linear);
            validateAnimationProperty();
        }
    }
    if (tab != NotchTab::shader && shaderActive_) turnOffShaderMaterial();
    fire(onLayoutChange_);
}

// Derived values

PaletteDefinition NotchViewModel::activePalette() const {
    const auto& catalogue = builtInPalettes();
    const auto count = static_cast<long long>(catalogue.size());
    if (paletteIndex_ == count) {
        PaletteDefinition custom{"Custom", {}};
        custom.colors.reserve(customPaletteStops_.size());
        for (const auto& stop : customPaletteStops_) custom.colors.push_back(stop.color());
        return custom;
    }
    const long long index = std::clamp<long long>(paletteIndex_, 0, count - 1);
    return catalogue[static_cast<std::size_t>(index)];
}

std::string NotchViewModel::imageCountLabel() const {
    const std::size_t count = imageAssets_.size();
    if (count == 0) return "No images";
    if (count == 1) return "1 image";
    // The index is shown as it is, even past the count.
    const long long number = static_cast<long long>(currentImageIndex_) + 1;
    return "Image " + std::to_string(number) + " of " + std::to_string(count);
}

const ImportedImageAsset* NotchViewModel::currentImageAsset() const {
    if (currentImageIndex_ < 0 || static_cast<std::size_t>(currentImageIndex_) >= imageAssets_.size())
        return nullptr;
    return &imageAssets_[static_cast<std::size_t>(currentImageIndex_)];
}

int NotchViewModel::currentImageNumber() const {
    if (imageAssets_.empty()) return 0;
    return currentImageIndex_ == INT_MAX ? INT_MAX : currentImageIndex_ + 1;
}

std::string NotchViewModel::gradientSignature() const {
    const auto flag = [](bool value) { return value ? "true" : "false"; };
    std::string text = "gradient";
    const auto add = [&text](std::string_view part) {
        text += '|';
        text += part;
    };
    add(std::to_string(paletteIndex_));
    add(rawValue(shape_));
    for (const double value :
         {angle_, spread_, centerX_, centerY_, phase_, frequencyX_, frequencyY_, pixelScale_})
        add(decimalText(value));
    add(flag(mirror_));
    add(flag(okLab_));
    add(rawValue(dither_));
    for (const double value : {chroma_, warp_, hue_, brightness_, contrast_, noise_}) add(decimalText(value));
    add(flag(scanlines_));
    add(flag(invert_));
    add(flag(rgbSplit_));
    add(rawValue(channel_));
    add(std::to_string(designSeed_));
    return text;
}

// Preferences

void NotchViewModel::savePinnedProperties() {
    std::vector<std::string> names;
    names.reserve(pinnedProperties_.size());
    for (const ShuffleProperty property : pinnedProperties_) names.emplace_back(rawValue(property));
    std::sort(names.begin(), names.end());
    services_.preferences->setValue(pinnedShufflePropertiesKey, nlohmann::json(names));
}

std::optional<NotchPlacement> NotchViewModel::loadNotchPlacement(const Preferences& preferences) {
    const auto stored = preferences.stringValue(notchPlacementKey);
    if (!stored) return std::nullopt;
    return fromRawValue<NotchPlacement>(*stored);
}

std::optional<double> NotchViewModel::loadSideExpandedWidth(const Preferences& preferences) {
    const auto stored = preferences.doubleValue(sideExpandedWidthKey);
    if (!stored || !std::isfinite(*stored) || !(*stored > 0)) return std::nullopt;
    return stored;
}

std::set<ShuffleProperty> NotchViewModel::loadPinnedProperties(const Preferences& preferences) {
    const auto stored = preferences.value(pinnedShufflePropertiesKey);
    if (!stored || !stored->is_array()) return {};
    // One element that is not a string discards the whole list.
    for (const auto& element : *stored)
        if (!element.is_string()) return {};
    std::set<ShuffleProperty> pins;
    for (const auto& element : *stored)
        if (const auto property = fromRawValue<ShuffleProperty>(element.get_ref<const std::string&>()))
            pins.insert(*property);
    return pins;
}

std::optional<std::filesystem::path> NotchViewModel::loadOutputFolderURL(Preferences& preferences,
                                                                         const Bookmarks& bookmarks) {
    const auto data = preferences.stringValue(outputFolderBookmarkKey);
    if (!data) return std::nullopt;
    const auto resolved = bookmarks.resolve(*data);
    if (!resolved) return std::nullopt;
    if (resolved->isStale) {
        if (const auto fresh = bookmarks.bookmarkData(resolved->url))
            preferences.setValue(outputFolderBookmarkKey, *fresh);
    }
    return resolved->url;
}

// Status resets

void NotchViewModel::scheduleStatusReset(StatusField field) {
    const bool isExport = field == StatusField::exportStatus;
    TaskHandle& task = isExport ? exportStatusResetTask_ : copyStatusResetTask_;
    task.cancel();
    task = {};
    if (!services_.scheduler) return;
    task = services_.scheduler->after(isExport ? 2.0 : 1.5, [self = weakSelf(), isExport] {
        NotchViewModel* model = self.get();
        if (!model) return;
        if (isExport)
            model->setExportStatus("Export");
        else
            model->setCopyStatus("Copy");
    });
}

}  // namespace glimora
