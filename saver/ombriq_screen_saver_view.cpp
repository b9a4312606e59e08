#include "saver/ombriq_screen_saver_view.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/paths.hpp"
#include "saver/screen_saver_library.hpp"
#include "saver/screen_saver_settings.hpp"
#include "state/desktop_canvas_frame.hpp"
#include "state/desktop_canvas_inputs.hpp"

namespace glimora {

void stopAnimationClock(NotchViewModel& model) {
    model.setAnimationPlaying(false);
    model.setAnimationStartTime(std::nullopt);
    model.setAnimationPausedProgress(0);
}

void applyRecipeForScreenSaver(NotchViewModel& model, const DesignRecipe& recipe, bool animate) {
    stopAnimationClock(model);
    model.applyRecipe(recipe);
    stopAnimationClock(model);
    if (!animate) return;
    // The recipe's own source decides: a photo that could not be restored
    // leaves the model on a gradient that the recipe never described.
    if (recipe.wallpaperSource == rawValue(WallpaperSource::image)) return;
    if (model.wallpaperSource() != WallpaperSource::gradient) return;
    const auto available = model.availableAnimationProperties();
    if (available.empty()) return;

    const auto property = recipe.animationProperty ? fromRawValue<AnimationProperty>(*recipe.animationProperty)
                                                   : std::nullopt;
    model.setAnimationProperty(property.value_or(available.front()));
    // Not a finite number counts as missing, so the clamps always see one.
    const auto number = [](const std::optional<double>& value, double fallback) {
        return value && std::isfinite(*value) ? *value : fallback;
    };
    model.setAnimationSpeed(std::clamp(number(recipe.animationSpeed, 1.0), 0.05, 4.0));
    model.setAnimationLoopDuration(std::clamp(number(recipe.animationLoopDuration, 8.0), 1.0, 120.0));
    model.setAnimationAmount(std::clamp(number(recipe.animationAmount, 50.0), 0.0, 100.0));
    const auto waveform = recipe.animationWaveform ? fromRawValue<AnimationWaveform>(*recipe.animationWaveform)
                                                   : std::nullopt;
    model.setAnimationWaveform(waveform.value_or(AnimationWaveform::sine));
    model.toggleAnimation();
}

namespace {

NotchViewModel::Services saverModelServices(const OmbriqScreenSaverView::Environment& environment) {
    NotchViewModel::Services services;
    // In memory and without folders: applying a recipe stores its pins, and
    // that must reach neither the application's settings nor its library.
    services.preferences = std::make_shared<MemoryPreferences>();
    services.paths = std::make_shared<FixedPaths>(std::nullopt);
    services.clock = environment.clock;
    services.random = environment.random;
    services.logger = environment.logger;
    services.decodeImage = environment.decodeImage;
    return services;
}

}  // namespace

OmbriqScreenSaverView::OmbriqScreenSaverView(Environment environment, std::vector<DesignRecipe> library,
                                             bool isPreview)
    : environment_(std::move(environment)), isPreview_(isPreview) {
    if (!environment_.clock) environment_.clock = std::make_shared<SteadyClock>();
    if (!environment_.random) environment_.random = std::make_shared<SystemRandom>();
    if (!environment_.settings) environment_.settings = std::make_shared<MemoryPreferences>();
    recipePosition_ = 0;
    lastArtworkChange_ = environment_.clock->now();
    model_ = std::make_unique<NotchViewModel>(saverModelServices(environment_));
    recipes_ = loadScreenSaverRecipes(std::move(library), *environment_.settings);
    recipeOrder_ = shuffledOrder();
    listener_ = model_->onChange([this](NotchViewModel::Prop prop) {
        if (affectsCanvasContent(content(), prop)) designChanged_ = true;
    });
    showCurrentRecipe();
}

OmbriqScreenSaverView::OmbriqScreenSaverView(Environment environment, bool isPreview)
    : OmbriqScreenSaverView(std::move(environment), std::vector<DesignRecipe>(), isPreview) {
    loading_ = true;
    favoritesOnly_ = favoritesOnly(*environment_.settings);
}

OmbriqScreenSaverView::~OmbriqScreenSaverView() { model_->removeChangeListener(listener_); }

std::vector<int> OmbriqScreenSaverView::shuffledOrder() {
    std::vector<int> order(recipes_.size());
    std::iota(order.begin(), order.end(), 0);
    environment_.random->shuffle(order);
    return order;
}

void OmbriqScreenSaverView::startAnimation() {
    lastArtworkChange_ = environment_.clock->now();
    showCurrentRecipe();
}

void OmbriqScreenSaverView::stopAnimation() { stopAnimationClock(*model_); }

void OmbriqScreenSaverView::animateOneFrame() {
    const double now = environment_.clock->now();
    const double interval = artworkInterval(*environment_.settings, isPreview_);
    if (now - lastArtworkChange_ >= interval) {
        advanceRecipe();
        lastArtworkChange_ = now;
    }
}

void OmbriqScreenSaverView::libraryRecipeArrived(DesignRecipe recipe, bool showAtOnce) {
    if (!loading_) return;
    arrived_.push_back(std::move(recipe));
    if (!showAtOnce || shownArrival_ || !eligibleWhileLoading(arrived_.back())) return;
    shownArrival_ = arrived_.size() - 1;
    const bool alreadyShown = showingDiscarded_ && discardedShown_ == arrived_.back();
    showingDiscarded_ = false;
    discardedShown_.reset();
    // The same design from the next file: its animation runs on undisturbed.
    if (alreadyShown) return;
    // The first picture gets its whole interval, however long the wait was.
    lastArtworkChange_ = environment_.clock->now();
    showCurrentRecipe();
}

void OmbriqScreenSaverView::libraryDiscarded() {
    if (!loading_) return;
    // What is on screen stays until something replaces it: no black flash.
    if (shownArrival_) {
        discardedShown_ = std::move(arrived_[*shownArrival_]);
        showingDiscarded_ = true;
    }
    arrived_.clear();
    shownArrival_.reset();
}

void OmbriqScreenSaverView::libraryFinished() {
    if (!loading_) return;
    loading_ = false;
    std::vector<std::size_t> chosen;
    if (favoritesOnly_)
        for (std::size_t i = 0; i < arrived_.size(); ++i)
            if (arrived_[i].isFavorite) chosen.push_back(i);
    if (chosen.empty())
        for (std::size_t i = 0; i < arrived_.size(); ++i) chosen.push_back(i);
    std::optional<int> onScreen;
    recipes_.clear();
    for (std::size_t i : chosen) {
        if (shownArrival_ == i || (!onScreen && showingDiscarded_ && discardedShown_ == arrived_[i]))
            onScreen = int(recipes_.size());
        recipes_.push_back(std::move(arrived_[i]));
    }
    arrived_.clear();
    arrived_.shrink_to_fit();
    shownArrival_.reset();
    discardedShown_.reset();
    recipeOrder_ = shuffledOrder();
    recipePosition_ = 0;
    if (onScreen) {
        // The pass opens with what is already shown; it is not applied again,
        // so its animation runs on undisturbed.
        const auto at = std::find(recipeOrder_.begin(), recipeOrder_.end(), *onScreen);
        std::iter_swap(recipeOrder_.begin(), at);
        showingDiscarded_ = false;
        return;
    }
    if (recipes_.empty() && showingDiscarded_) showInitialDesign();
    showingDiscarded_ = false;
    showCurrentRecipe();
}

void OmbriqScreenSaverView::showInitialDesign() {
    // A fresh model's design, as the saver shows when there is no library.
    const NotchViewModel fresh(saverModelServices(environment_));
    stopAnimationClock(*model_);
    model_->applyRecipe(fresh.makeRecipe("", false));
    designChanged_ = true;
}

const DesignRecipe* OmbriqScreenSaverView::currentRecipe() const {
    if (loading_) return shownArrival_ ? &arrived_[*shownArrival_] : nullptr;
    if (recipes_.empty() || recipeOrder_.empty()) return nullptr;
    return &recipes_[std::size_t(recipeOrder_[std::size_t(recipePosition_)])];
}

void OmbriqScreenSaverView::advanceRecipe() {
    if (loading_) {
        if (!shownArrival_) return;
        // The next eligible recipe that has arrived, else the same one again.
        for (std::size_t i = *shownArrival_ + 1; i < arrived_.size(); ++i)
            if (eligibleWhileLoading(arrived_[i])) {
                shownArrival_ = i;
                break;
            }
        showCurrentRecipe();
        return;
    }
    if (recipes_.empty()) return;
    ++recipePosition_;
    if (recipePosition_ >= int(recipeOrder_.size())) {
        const int last = recipeOrder_.back();
        recipeOrder_ = shuffledOrder();
        // A new pass never opens with the recipe that closed the last one.
        if (recipeOrder_.size() >= 2 && recipeOrder_.front() == last) std::swap(recipeOrder_[0], recipeOrder_[1]);
        recipePosition_ = 0;
    }
    showCurrentRecipe();
}

void OmbriqScreenSaverView::showCurrentRecipe() {
    const DesignRecipe* shown = currentRecipe();
    if (!shown) {
        stopAnimationClock(*model_);
        return;
    }
    const DesignRecipe& recipe = *shown;
    applyRecipeForScreenSaver(*model_, recipe, animateArtwork(*environment_.settings));
    designChanged_ = true;
    if (onRecipeApplied_) onRecipeApplied_(recipe);
}

CanvasContent OmbriqScreenSaverView::content() const { return canvasContent(canvasInputs(*model_, false)); }

bool OmbriqScreenSaverView::needsDisplay() const {
    return designChanged_ || canvasRedrawsWithClock(canvasInputs(*model_, false));
}

std::span<const WallpaperRenderer::PixelRect> OmbriqScreenSaverView::drawFrame(
    const WallpaperRenderer::CanvasContext& context, double width, double height,
    WallpaperRenderer::LiveCanvasFrames& frames) {
    designChanged_ = false;
    return drawDesktopCanvasFrame(*model_, content(), environment_.clock->now(), context, width, height, frames);
}

}  // namespace glimora
