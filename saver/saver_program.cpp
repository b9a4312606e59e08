#include "saver/saver_program.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "model/atomic_file.hpp"
#include "model/utf8.hpp"
#include "platform/paths.hpp"
#include "render/png_encoder.hpp"
#include "saver/ombriq_screen_saver_view.hpp"
#include "saver/screen_saver_library.hpp"

namespace glimora {

void SaverLogger::log(std::string_view line) {
    std::fprintf(stderr, "ombriq-saver: %.*s\n", int(line.size()), line.data());
}

namespace {

std::optional<std::filesystem::path> homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return std::filesystem::path(home);
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return std::filesystem::path(entry->pw_dir);
    return std::nullopt;
}

// Time that moves only when told: each frame is one step later.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(double start) : now_(start) {}
    double now() const override { return now_; }
    void advance(double seconds) { now_ += seconds; }

private:
    double now_;
};

}  // namespace

std::shared_ptr<ScreenSaverDefaults> openScreenSaverDefaults(std::shared_ptr<Logger> logger) {
    return std::make_shared<ScreenSaverDefaults>(screenSaverSettingsFile(XdgPaths()), std::move(logger));
}

SaverStart loadSaverStart() {
    SaverStart start;
    start.logger = std::make_shared<SaverLogger>();
    const XdgPaths paths;
    start.settings = openScreenSaverDefaults(start.logger);
    start.libraryCandidates = recipeHistoryCandidates(homeFolder(), paths.dataHome());
    return start;
}

int runOffscreen(const SaverOptions& options, SaverStart start, std::FILE* out, std::FILE* err,
                 const EndWatch& watch) {
    if (!watch) {
        std::fprintf(err, "ombriq-saver: cannot watch for signals\n");
        return 1;
    }
    const SaverOptions::Offscreen& offscreen = *options.offscreen;
    auto clock = std::make_shared<VirtualClock>(SystemClock().now());
    OmbriqScreenSaverView::Environment environment;
    environment.clock = clock;
    environment.settings = start.settings;
    environment.logger = start.logger;

    std::vector<std::uint8_t> pixels(std::size_t(offscreen.width) * std::size_t(offscreen.height) * 4);
    const WallpaperRenderer::CanvasContext context{
        {pixels.data(), offscreen.width, offscreen.height, std::int64_t(offscreen.width) * 4}, 1.0, 1};

    const auto announce = [out](const DesignRecipe& recipe) {
        const std::string name = replacingInvalidUtf8(recipe.displayName());
        std::fprintf(out, "applied %s %s\n", recipe.id.toString().c_str(), name.c_str());
        std::fflush(out);
    };
    // Read whole before the first frame: the run is the same every time,
    // however the reading is timed.
    // The first recipe is applied while the view is made: announce it too.
    OmbriqScreenSaverView view(environment, loadRecipeHistoryCandidates(start.libraryCandidates), options.preview);
    if (const DesignRecipe* first = view.currentRecipe()) announce(*first);
    view.setOnRecipeApplied(announce);

    WallpaperRenderer::LiveCanvasFrames frames;
    view.startAnimation();
    for (int frame = 0; frame < offscreen.frames && !watch.ended(); ++frame) {
        if (frame > 0) clock->advance(offscreen.frameStep);
        view.animateOneFrame();
        // Frame after frame into the same pixels, as the window's frames are drawn.
        if (view.needsDisplay()) view.drawFrame(context, offscreen.width, offscreen.height, frames);
    }
    view.stopAnimation();

    if (!offscreen.output || watch.ended()) return 0;
    // The canvas writes every pixel opaque; the file says so whatever happened.
    for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
    const auto png = encodePng(pixels.data(), offscreen.width, offscreen.height, std::int64_t(offscreen.width) * 4);
    if (!png) {
        std::fprintf(err, "ombriq-saver: could not encode the last frame as PNG\n");
        return 1;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(png->data()), png->size());
    const auto held = EndWatch::holdOff();
    if (watch.ended()) return 0;
    if (const auto failure = AtomicFile::write(*offscreen.output, bytes)) {
        std::fprintf(err, "ombriq-saver: could not write %s: %s\n",
                     replacingInvalidUtf8(offscreen.output->string()).c_str(), failure->description().c_str());
        return 1;
    }
    return 0;
}

}  // namespace glimora
