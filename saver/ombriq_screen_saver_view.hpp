// Ombriq's life cycle: the saved recipes shown one after another, in a fresh
// random order each pass, on an editor state of the saver's own. The host
// (the X11 program, the offscreen run, tests) calls startAnimation,
// animateOneFrame every 1/30 s and stopAnimation, and asks for the pixels
// with drawFrame; no Qt and no window here.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "model/design_recipe.hpp"
#include "platform/clock.hpp"
#include "platform/logger.hpp"
#include "platform/preferences.hpp"
#include "platform/random.hpp"
#include "render/canvas_content.hpp"
#include "render/live_canvas.hpp"
#include "render/live_canvas_frames.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

// Stops the model's gradient animation: not playing (published), no start
// time, no paused progress.
void stopAnimationClock(NotchViewModel& model);

// Applies a recipe for the saver: every design field as applyRecipe does,
// then the animation clock stopped; with `animate` and a gradient design
// whose shape can move, the recipe's animation settings (clamped, defaults
// for the missing ones) are set and the animation starts from its beginning.
// A recipe made from a photo is shown still even when its photo could not be
// restored (the model then falls back to a gradient of leftover values).
void applyRecipeForScreenSaver(NotchViewModel& model, const DesignRecipe& recipe, bool animate);

class OmbriqScreenSaverView {
public:
    struct Environment {
        // Intervals and the animation are timed on it: give a steady clock.
        std::shared_ptr<Clock> clock;
        // The order of showing; missing: the system source.
        std::shared_ptr<Random> random;
        // The saver's three settings, read while it runs.
        std::shared_ptr<Preferences> settings;
        std::shared_ptr<Logger> logger;
        // Photos are decoded only when their recipe is shown; missing: the core decoders.
        NotchViewModel::ImageDecoder decodeImage;
    };

    // `library` is the library as read once (loadRecipeHistoryCandidates);
    // the favourites rule is applied here. The first recipe is applied before
    // this returns.
    OmbriqScreenSaverView(Environment environment, std::vector<DesignRecipe> library, bool isPreview);
    // The library still to come, through libraryRecipeArrived and
    // libraryFinished: a big library takes seconds to read, and the screen
    // should not stay black that long. The first eligible recipe to arrive
    // (a favourite, with "favoritesOnly" on) is shown at once; the order is
    // shuffled when the whole library is there.
    OmbriqScreenSaverView(Environment environment, bool isPreview);
    ~OmbriqScreenSaverView();
    OmbriqScreenSaverView(const OmbriqScreenSaverView&) = delete;
    OmbriqScreenSaverView& operator=(const OmbriqScreenSaverView&) = delete;

    bool isPreview() const { return isPreview_; }
    static constexpr bool hasConfigureSheet() { return true; }
    // The host's timer period.
    static constexpr double animationTimeInterval = 1.0 / 30.0;

    void startAnimation();
    void stopAnimation();
    void animateOneFrame();
    void advanceRecipe();
    void showCurrentRecipe();

    // The next recipe of the library, in the file's order. While nothing is
    // on screen, an eligible one is shown at once, unless `showAtOnce` is
    // false (the host knows the end is already there: then the shuffle
    // picks the first, as with a library read whole).
    void libraryRecipeArrived(DesignRecipe recipe, bool showAtOnce = true);
    // The recipes given so far came from a file that turned out not to be a
    // library: they are dropped, and the next file's recipes are awaited.
    // The one on screen stays until another replaces it; an equal recipe
    // arriving later takes its place without being applied again.
    void libraryDiscarded();
    // The whole library is there: the order of showing is built, opening
    // with the recipe on screen so that it is not shown twice in a row.
    void libraryFinished();
    bool libraryLoading() const { return loading_; }
    // False only while the library is arriving and nothing of it is shown
    // yet: the host leaves the window black rather than flash the model's
    // initial design before the first recipe.
    bool readyToDraw() const { return !loading_ || shownArrival_ || showingDiscarded_; }

    // The recipe on screen, if any.
    const DesignRecipe* currentRecipe() const;

    // Called with every recipe applied (also again for the same one).
    void setOnRecipeApplied(std::function<void(const DesignRecipe&)> callback) {
        onRecipeApplied_ = std::move(callback);
    }

    // Drawing: whether the picture changed since the last drawFrame (a change
    // of the design, or a drawing that moves with the clock), and the frame.
    bool needsDisplay() const;
    // The frame as the desktop window paints it: into pixels holding
    // `frames`' previous frame (in its byte order), repainted only where it
    // changed. Returns the rectangles of pixels that may have changed.
    std::span<const WallpaperRenderer::PixelRect> drawFrame(const WallpaperRenderer::CanvasContext& context,
                                                            double width, double height,
                                                            WallpaperRenderer::LiveCanvasFrames& frames);
    CanvasContent content() const;

    NotchViewModel& model() { return *model_; }
    const NotchViewModel& model() const { return *model_; }
    const std::vector<DesignRecipe>& recipes() const { return recipes_; }
    const std::vector<int>& recipeOrder() const { return recipeOrder_; }
    int recipePosition() const { return recipePosition_; }
    double lastArtworkChange() const { return lastArtworkChange_; }

private:
    std::vector<int> shuffledOrder();
    bool eligibleWhileLoading(const DesignRecipe& recipe) const { return !favoritesOnly_ || recipe.isFavorite; }
    void showInitialDesign();

    Environment environment_;
    bool isPreview_;
    std::unique_ptr<NotchViewModel> model_;
    std::vector<DesignRecipe> recipes_;
    std::vector<int> recipeOrder_;
    int recipePosition_ = 0;
    double lastArtworkChange_ = 0;
    bool designChanged_ = true;
    NotchViewModel::ListenerId listener_ = 0;
    std::function<void(const DesignRecipe&)> onRecipeApplied_;

    // While the library arrives: every recipe so far in the file's order,
    // the one on screen, and whether a dropped file's recipe is still shown.
    bool loading_ = false;
    bool favoritesOnly_ = false;
    std::vector<DesignRecipe> arrived_;
    std::optional<std::size_t> shownArrival_;
    bool showingDiscarded_ = false;
    // What a dropped file left on screen, while showingDiscarded_.
    std::optional<DesignRecipe> discardedShown_;
};

}  // namespace glimora
