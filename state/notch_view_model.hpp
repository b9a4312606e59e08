// The editor state: every design and panel setting and every user action.
// One instance per process, touched only on the main thread. Views observe it
// through onChange and write it through the setters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/atomic_file.hpp"
#include "platform/bookmarks.hpp"
#include "platform/clipboard.hpp"
#include "platform/clock.hpp"
#include "platform/file_dialogs.hpp"
#include "platform/logger.hpp"
#include "platform/paths.hpp"
#include "platform/preferences.hpp"
#include "platform/random.hpp"
#include "platform/scheduler.hpp"
#include "state/notch_view_model_properties.hpp"
#include "state/recipe_library_writer.hpp"

namespace glimora {

// The material's colours after a reset, and at start.
inline constexpr Color defaultShaderBaseColor{0.025, 0.035, 0.06};
inline constexpr Color defaultShaderMidColor{0.24, 0.36, 0.56};
inline constexpr Color defaultShaderHighlightColor{1, 1, 1};

// Preference keys of the editor state.
inline constexpr std::string_view notchPlacementKey = "notchPlacement";
inline constexpr std::string_view sideExpandedWidthKey = "sideExpandedWidth";
inline constexpr std::string_view pinnedShufflePropertiesKey = "pinnedShuffleProperties";
inline constexpr std::string_view outputFolderBookmarkKey = "outputFolderBookmark";

class NotchViewModel {
public:
    // Reads the recipe library; never fails (empty when there is none).
    using RecipeHistoryLoader = std::function<std::vector<DesignRecipe>()>;
    // Decodes a picture into sRGB, its longer side scaled to at most
    // maxPixelSize; nothing when the bytes are no picture. When `notes` is
    // given, it gets why a picture was refused for its size or why its
    // colours stay as stored (the import logs them). Called off the main
    // thread, and on it when applying a recipe restores the recipe's photo.
    using ImageDecoder = std::function<std::optional<PixelImageBuffer>(std::span<const std::uint8_t> data,
                                                                       int maxPixelSize, DecodeNotes* notes)>;

    // What the model asks of the desktop. Each program wires its own: the
    // screen saver and the command-line harness pass in-memory preferences so
    // they never write the application's settings. Missing preferences, clock,
    // random source, bookmarks, paths, logger and picture decoder get in-memory or core
    // defaults; without dialogs or clipboard the actions needing them do
    // nothing; without a scheduler, background work (decoding, exports) runs
    // on the spot and status texts are not reset; without a loader the library
    // starts empty. `writeExport` stands in for write(2) when an export
    // replaces its file (tests make it fail part-way); empty: write(2).
    struct Services {
        std::shared_ptr<Preferences> preferences;
        std::shared_ptr<Clock> clock;
        std::shared_ptr<Random> random;
        // The ids of recipes and photos. Kept apart from `random` so that a
        // seeded source gives the same seeds and shuffles however many ids
        // were made in between; missing: the system source.
        std::shared_ptr<Random> idRandom;
        std::shared_ptr<Scheduler> scheduler;
        std::shared_ptr<FileDialogs> fileDialogs;
        std::shared_ptr<Clipboard> clipboard;
        std::shared_ptr<Bookmarks> bookmarks;
        std::shared_ptr<Paths> paths;
        std::shared_ptr<Logger> logger;
        RecipeHistoryLoader loadRecipeHistory;
        // With a scheduler, the loader runs in the background so that start-up
        // never waits for the library; the list arrives on the main thread a
        // little later, and saves of the library wait for it. Without, the
        // list is there when the constructor returns.
        bool loadRecipeHistoryInBackground = false;
        ImageDecoder decodeImage;
        AtomicFile::WriteFunction writeExport;
    };

    // The change id of each published property.
    enum class Prop : std::uint8_t {
#define GLIMORA_PROP_ID(Type, name, Name, initial, kind) name,
        GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_PROP_ID)
#undef GLIMORA_PROP_ID
    };
#define GLIMORA_PROP_COUNT(Type, name, Name, initial, kind) +1
    static constexpr std::size_t propCount = 0 GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_PROP_COUNT);
#undef GLIMORA_PROP_COUNT
#define GLIMORA_PROP_NAME(Type, name, Name, initial, kind) #name,
    static constexpr std::array<std::string_view, propCount> propNames{
        GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_PROP_NAME)};
#undef GLIMORA_PROP_NAME
    static constexpr std::string_view propName(Prop prop) { return propNames[static_cast<std::size_t>(prop)]; }

    using ChangeListener = std::function<void(Prop)>;
    using ListenerId = std::uint64_t;
    using Callback = std::function<void()>;

    // The ten values the animation can move, as `animatedSnapshot` returns them.
    struct AnimatedValues {
        double angle;
        double spread;
        double centerX;
        double centerY;
        double phase;
        double frequencyX;
        double frequencyY;
        double warp;
        double noise;
        double chroma;
    };

    // Which status text a delayed reset returns to its resting value.
    enum class StatusField { exportStatus, copyStatus };

    // Initial values, then the stored placement, side width, pins and output
    // folder, the recipe library, and the start design in the shuffle history.
    NotchViewModel();
    explicit NotchViewModel(Services services);
    // Cancels the pending export and status resets; writes nothing.
    ~NotchViewModel();
    NotchViewModel(const NotchViewModel&) = delete;
    NotchViewModel& operator=(const NotchViewModel&) = delete;

    // Called after every write of a published property, also of an equal
    // value: after the store, before the property's observer.
    ListenerId onChange(ChangeListener listener);
    void removeChangeListener(ListenerId id);

    // Published properties: a getter, a setter, and for those without an
    // observer an update call that edits the value in place and notifies once.
#define GLIMORA_DECLARE_ACCESSORS_plain(Type, name, Name)                                                     \
    const Type& name() const { return name##_; }                                                              \
    void set##Name(Type value);                                                                               \
    template <class Edit>                                                                                     \
    void update##Name(Edit&& edit) {                                                                          \
        std::forward<Edit>(edit)(name##_);                                                                    \
        publish(Prop::name);                                                                                  \
    }
#define GLIMORA_DECLARE_ACCESSORS_observed(Type, name, Name)                                                  \
    const Type& name() const { return name##_; }                                                              \
    void set##Name(Type value);
#define GLIMORA_DECLARE_ACCESSORS(Type, name, Name, initial, kind) \
    GLIMORA_DECLARE_ACCESSORS_##kind(Type, name, Name)
    GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_DECLARE_ACCESSORS)
#undef GLIMORA_DECLARE_ACCESSORS
#undef GLIMORA_DECLARE_ACCESSORS_observed
#undef GLIMORA_DECLARE_ACCESSORS_plain

    // The library is being read in the background; recipeHistory holds only
    // what was saved since start until it arrives.
    bool isLoadingRecipeHistory() const { return recipeHistoryLoading_; }

    // Plain properties: no change notification.
    bool isPresentingPhotoPicker() const { return isPresentingPhotoPicker_; }
    void setIsPresentingPhotoPicker(bool value) { isPresentingPhotoPicker_ = value; }
    const Callback& onPlacementChange() const { return onPlacementChange_; }
    void setOnPlacementChange(Callback callback) { onPlacementChange_ = std::move(callback); }
    const Callback& onLayoutChange() const { return onLayoutChange_; }
    void setOnLayoutChange(Callback callback) { onLayoutChange_ = std::move(callback); }
    const Callback& onSideWidthChange() const { return onSideWidthChange_; }
    void setOnSideWidthChange(Callback callback) { onSideWidthChange_ = std::move(callback); }
    const TaskHandle& exportTask() const { return exportTask_; }
    const TaskHandle& exportStatusResetTask() const { return exportStatusResetTask_; }
    const TaskHandle& copyStatusResetTask() const { return copyStatusResetTask_; }
    const std::vector<int>& imageShuffleOrder() const { return imageShuffleOrder_; }
    int imageShufflePosition() const { return imageShufflePosition_; }
    const std::set<std::string>& gradientShuffleHistory() const { return gradientShuffleHistory_; }
    const std::set<std::string>& grainGradientShuffleHistory() const { return grainGradientShuffleHistory_; }
    std::optional<double> animationStartTime() const { return animationStartTime_; }
    void setAnimationStartTime(std::optional<double> value) { animationStartTime_ = value; }
    double animationPausedProgress() const { return animationPausedProgress_; }
    void setAnimationPausedProgress(double value) { animationPausedProgress_ = value; }
    std::optional<double> shaderStartTime() const { return shaderStartTime_; }
    double shaderPausedTime() const { return shaderPausedTime_; }

    const Services& services() const { return services_; }

    // Derived values.
    PaletteDefinition activePalette() const;
    std::string imageCountLabel() const;
    const ImportedImageAsset* currentImageAsset() const;
    int currentImageNumber() const;
    std::string gradientSignature() const;
    bool isPinned(ShuffleProperty property) const { return pinnedProperties_.contains(property); }
    // Writes the pins, sorted by raw value, to the preferences.
    void savePinnedProperties();

    // Panel layout.
    double resolvedSideWidth() const;
    void setCustomSideWidth(double width);
    double expandedPanelHeight() const;
    // The same for another placement and tab, the rest of the state as it is.
    double expandedPanelHeight(NotchPlacement placement, NotchTab tab) const;

    // Gradient animation clock.
    double animationProgress(double time) const;
    std::vector<AnimationProperty> availableAnimationProperties() const;
    void validateAnimationProperty();
    AnimatedValues animatedSnapshot(double time) const;
    void toggleAnimation();

    // Design selection from the shape and gradient tabs.
    void selectShape(NotchShape shape);
    void selectSmoothGradient();
    void selectGrainGradientMode(GrainGradientMode mode);

    // Shader material clock and actions.
    double shaderMaterialTime(double time) const;
    void activateShaderMaterial();
    void selectShaderPattern(ShaderPattern pattern);
    void toggleShaderPlayback();
    void turnOffShaderMaterial();
    void resetShaderMaterial();
    void useFullDesktopMaterial();
    void useCurrentImageAsShaderSource();
    void chooseShaderSource();

    // Output folder: the folder the export panels start in.
    // The output folder when an existing item at its path is a folder.
    std::optional<std::filesystem::path> validOutputFolderURL() const;
    // Stores the folder's bookmark and makes it the output folder; false, with
    // nothing stored, when no bookmark can be made of it.
    bool storeOutputFolderBookmark(const std::filesystem::path& folder);
    // Shows the folder panel and returns at once; the completion gets the
    // chosen folder after it was stored.
    void chooseOutputFolder(std::function<void(const std::filesystem::path&)> completion = {});

    // Photos. Each import decodes its pictures once, the longer side at most
    // importMaxPixelSize; a source that cannot be read or decoded is skipped
    // and counted.
    // The open panel for picture files; the chosen files go to importImageFiles.
    void chooseImageFiles();
    // Reads and decodes the files here and now; an empty list does nothing.
    void importImageFiles(const std::vector<std::filesystem::path>& urls);
    // The photo library: a picture dialog on the Pictures folder, flagged by
    // isPresentingPhotoPicker while it is up; its choice goes to importPhotos.
    void choosePhotos();
    // Loads the photos in the background, one after another, and adds them
    // when the last is done; named "Photo N" in order after the photos already
    // there. An empty list does nothing.
    void importPhotos(std::vector<std::filesystem::path> items);
    // The last step of both imports: status, photo tab, photo wallpaper.
    void addImportedImages(std::vector<ImportedImageAsset> assets, int skipped);
    static std::string importSummary(int added, int skipped, int total);
    void clearImages();
    void resetCurrentImageCrop();
    // An absent component keeps its value; the centre is kept within 0...1
    // and the zoom at least 1, also for kept components.
    void updateCurrentImageCrop(std::optional<double> centerX, std::optional<double> centerY,
                                std::optional<double> zoom);
    void applyImageLook(ImagePixelLook look);

    // Output: the clipboard copy, file export and the output folder's label.
    // Copies the design, always 1920x1080, as PNG.
    void copyToPasteboard();
    // The save panel; its choice becomes the output folder and goes to exportWallpaper.
    void exportWithSavePanel();
    // Snapshot now; rendering, encoding and the atomic write of the file in
    // the background; the outcome in exportStatus. A newer export supersedes
    // this one's outcome, which is then not shown; its file is still written,
    // unless a newer export has already written that same file.
    void exportWallpaper(const std::filesystem::path& url);
    std::string outputFolderLabel() const;
    // The save panel's suggested name, e.g. "ultraviolet-wallpaper.png".
    std::string exportFileName() const;

    // Recipes. makeRecipe reads the design (a new id, the clock's date) and
    // changes nothing; applyRecipe writes every design field of the recipe back,
    // a number that is not finite as that field's initial value.
    DesignRecipe makeRecipe(const std::string& name, bool includeImageData) const;
    void applyRecipe(const DesignRecipe& recipe);
    std::string designDisplayName() const;

    // The library: newest first, at most 36 entries, saved whole after every
    // change (in the background when there is a scheduler). A save that fails
    // sets recipeStatus to "Could not save library".
    DesignRecipe saveToLibrary(const std::optional<std::string>& name = std::nullopt, bool postStatus = true);
    void addRecipeToLibrary(DesignRecipe recipe, bool replacingSameDesign);
    void recordHistory();
    // Taken by value: callers pass entries of the list these change.
    void openRecipe(DesignRecipe recipe);
    void toggleFavorite(Uuid id);
    void deleteRecipe(Uuid id);

    // Recipe documents through the file dialogs: one recipe as JSON.
    void exportCurrentRecipe();
    void exportRecipe(DesignRecipe recipe);
    // The save panel's completion: nothing when it was cancelled.
    void writeRecipe(const std::optional<std::filesystem::path>& url, const DesignRecipe& recipe);
    void chooseRecipeToImport();
    // The open panel's completion: nothing when it was cancelled.
    void importRecipe(const std::optional<std::filesystem::path>& url);
    static std::string recipeFileName(const DesignRecipe& recipe);

    // Shuffle and pins.
    void shuffle();
    void togglePin(ShuffleProperty property);
    void shuffleGrainGradient();
    void shuffleSmoothGradient();
    void shuffleGradient();
    std::string grainGradientSignature() const;
    void advanceImageShuffle();
    void rebuildImageShuffleOrder();

    // Returns the status text to its resting value after its delay ("Export"
    // after 2 s, "Copy" after 1.5 s); a newer call restarts the delay.
    void scheduleStatusReset(StatusField field);

    // Stored preferences, as read at start-up. A value of the wrong type or
    // out of range reads as absent.
    static std::optional<NotchPlacement> loadNotchPlacement(const Preferences& preferences);
    static std::optional<double> loadSideExpandedWidth(const Preferences& preferences);
    static std::set<ShuffleProperty> loadPinnedProperties(const Preferences& preferences);
    // May write a fresh bookmark back when the stored one is stale.
    static std::optional<std::filesystem::path> loadOutputFolderURL(Preferences& preferences,
                                                                    const Bookmarks& bookmarks);

    // The material's source picture: files above this size are refused, and
    // the picture is decoded with its longer side at most this many pixels.
    static constexpr std::uintmax_t shaderSourceByteLimit = 64u * 1024 * 1024;
    static constexpr int shaderSourceMaxPixelSize = 2048;
    // A photo restored from a recipe is decoded with its longer side at most this.
    static constexpr int recipeImageMaxPixelSize = 2048;
    // Picture files and photo-library items: larger files are skipped
    // unread; pictures are decoded with their longer side at most this.
    static constexpr std::uintmax_t imageFileByteLimit = 256u * 1024 * 1024;
    static constexpr int importMaxPixelSize = 2048;
    // Tries of the gradient and grain shuffles before they settle.
    static constexpr int shuffleTryLimit = 80;

private:
    // Hands asynchronous completions a way to reach the model that fails
    // quietly once the model is gone.
    class WeakSelf {
    public:
        explicit WeakSelf(const std::shared_ptr<NotchViewModel*>& self) : self_(self) {}
        NotchViewModel* get() const {
            const auto self = self_.lock();
            return self ? *self : nullptr;
        }
        // Safe on any thread; the answer may change right after.
        bool expired() const { return self_.expired(); }

    private:
        std::weak_ptr<NotchViewModel*> self_;
    };
    WeakSelf weakSelf() const { return WeakSelf(lifetime_); }

    static Services withDefaults(Services services);
    void publish(Prop prop);
    void compactListeners();
    static void fire(const Callback& callback);

    void expandedDidSet(bool oldValue);
    void notchPlacementDidSet(NotchPlacement oldValue);
    void selectedTabDidSet(NotchTab oldValue);
    void wallpaperSourceDidSet();

    double effectiveLoopDuration() const;
    double effectiveAnimationSpeed() const;
    double effectiveShaderSpeed() const;
    void stopGradientAnimation();
    void startShaderClock();
    void stopShaderClock();
    void applyShaderSource(PixelImageBuffer image, std::string name);

    using PhotoPng = RecipeLibraryWriter::PhotoPng;
    Uuid newUuid() const;
    std::shared_ptr<const PhotoPng> recipePhoto(const PixelImageBuffer& buffer) const;
    void restoreRecipeImage(const DesignRecipe& recipe);
    // A recipe with its photo for the library or a document. The photo's PNG,
    // when not made yet, is left out and made in the background: the returned
    // photo fills it in later.
    std::pair<DesignRecipe, std::shared_ptr<const PhotoPng>> makeRecipeForSaving(const std::string& name);
    void photoEncoded(const std::shared_ptr<const PhotoPng>& photo);
    void presentRecipeExport(DesignRecipe recipe, std::shared_ptr<const PhotoPng> photo);
    std::shared_ptr<const PhotoPng> photoAwaitedBy(const DesignRecipe& recipe) const;
    // The PNG of the recipe's photo: its own bytes, or, for a copy of a library
    // entry taken while that PNG was still being made in the background, the
    // bytes the encode makes (waiting for them) or has since given the entry.
    // Empty when there are none; the bytes are shared, so they stay valid
    // whatever the model does next.
    std::optional<SharedBytes> entryPngData(const DesignRecipe& recipe) const;
    // The library edits below keep recipeHistoryEntries_ in step with the list.
    void insertRecipe(DesignRecipe recipe, bool replacingSameDesign,
                      std::shared_ptr<const PhotoPng> photo = nullptr);
    void removeRecipe(std::size_t index);
    // False when the list is known not to be saved (the log has the reason).
    bool saveLibrary();
    void libraryNotSaved();
    void loadRecipeHistoryInBackground();
    void recipeHistoryLoaded(std::vector<DesignRecipe> loaded);
    // Reads and decodes in the background; the result comes back on the main thread.
    void loadShaderSource(const std::filesystem::path& file);
    // Where the export and folder panels open: the output folder, else Downloads.
    std::optional<std::filesystem::path> panelStartDirectory() const;
    struct PhotoLoad;
    // Loads the next photo of the import in the background, or ends the import.
    static void loadPhotoItems(WeakSelf self, std::shared_ptr<PhotoLoad> load);
    void exportFinished(const TaskHandle& task, const std::filesystem::path& url,
                        const std::optional<std::string>& failure);

    // Declared first: the initial values below read it.
    Services services_;
    std::shared_ptr<NotchViewModel*> lifetime_;
    // Id 0 marks a listener removed while notifications were running.
    std::deque<std::pair<ListenerId, ChangeListener>> listeners_;
    ListenerId nextListenerId_ = 1;
    int publishDepth_ = 0;
    bool hasRemovedListeners_ = false;

#define GLIMORA_DECLARE_FIELD(Type, name, Name, initial, kind) Type name##_ = initial;
    GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_DECLARE_FIELD)
#undef GLIMORA_DECLARE_FIELD

    bool isPresentingPhotoPicker_ = false;
    Callback onPlacementChange_;
    Callback onLayoutChange_;
    Callback onSideWidthChange_;
    TaskHandle exportTask_;
    TaskHandle exportStatusResetTask_;
    TaskHandle copyStatusResetTask_;
    std::vector<int> imageShuffleOrder_;
    int imageShufflePosition_ = 0;
    std::set<std::string> gradientShuffleHistory_;
    std::set<std::string> grainGradientShuffleHistory_;
    std::optional<double> animationStartTime_;
    double animationPausedProgress_ = 0;
    std::optional<double> shaderStartTime_;
    double shaderPausedTime_ = 0;
    // Bumped by every change of the material's picture, so a slow decode of an
    // earlier choice never replaces a later one.
    std::uint64_t shaderSourceGeneration_ = 0;

    // Each library entry as the writer takes it, index for index with
    // recipeHistory_ (null: not made yet).
    std::vector<RecipeLibraryWriter::EntryRef> recipeHistoryEntries_;
    std::unique_ptr<RecipeLibraryWriter> libraryWriter_;
    bool recipeHistoryLoading_ = false;
    // The list changed while the library was being read: the two are joined
    // and saved once it is in.
    bool librarySaveWaiting_ = false;
    // The PNG of each loaded photo, made once: a shuffle through photos
    // records each photo again and again. Keyed by the pixels, which are
    // never changed once made.
    struct RecipePhoto {
        std::weak_ptr<const std::vector<std::uint8_t>> rgba;
        std::int64_t width;
        std::int64_t height;
        std::shared_ptr<const PhotoPng> png;
    };
    mutable std::vector<RecipePhoto> recipePhotos_;
    // Library entries whose photo's PNG is still being made.
    struct AwaitedPhoto {
        Uuid id;
        std::string fileName;
        std::shared_ptr<const PhotoPng> png;
    };
    std::vector<AwaitedPhoto> awaitedPhotos_;
};

}  // namespace glimora
