#include "saver/screen_saver_settings.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/file_preferences.hpp"

namespace glimora {

std::optional<std::filesystem::path> screenSaverSettingsFile(const Paths& paths) {
    const auto config = paths.configHome();
    if (!config) return std::nullopt;
    return *config / "ombriq" / (std::string(screenSaverModuleName) + ".json");
}

namespace {

double storedInterval(const Preferences& settings) {
    const auto stored = settings.value(artworkIntervalKey);
    // A text is a value that is no number: the floor. Null and the other
    // kinds say nothing about seconds at all: as if missing.
    if (!stored || !(stored->is_number() || stored->is_string())) return defaultArtworkInterval;
    if (!stored->is_number()) return minimumArtworkInterval;
    const double seconds = stored->get<double>();
    return std::isfinite(seconds) ? std::max(seconds, minimumArtworkInterval) : minimumArtworkInterval;
}

bool storedBool(const Preferences& settings, std::string_view key, bool fallback) {
    const auto stored = settings.value(key);
    return stored && stored->is_boolean() ? stored->get<bool>() : fallback;
}

}  // namespace

double artworkInterval(const Preferences& settings, bool isPreview) {
    const double interval = storedInterval(settings);
    return isPreview ? std::min(interval, previewArtworkIntervalCap) : interval;
}

bool favoritesOnly(const Preferences& settings) { return storedBool(settings, favoritesOnlyKey, false); }

bool animateArtwork(const Preferences& settings) { return storedBool(settings, animateArtworkKey, true); }

ScreenSaverSettings loadScreenSaverSettings(const Preferences& settings) {
    return {storedInterval(settings), favoritesOnly(settings), animateArtwork(settings)};
}

void saveScreenSaverSettings(Preferences& settings, double interval, bool favorites, bool animate) {
    settings.setValue(artworkIntervalKey, interval);
    settings.setValue(favoritesOnlyKey, favorites);
    settings.setValue(animateArtworkKey, animate);
}

struct ScreenSaverDefaults::Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static Stamp of(const std::filesystem::path& file) {
        Stamp stamp;
        struct stat status {};
        if (::stat(file.c_str(), &status) != 0) return stamp;
        stamp.exists = true;
        stamp.device = status.st_dev;
        stamp.inode = status.st_ino;
        stamp.size = status.st_size;
        stamp.modified = status.st_mtim;
        return stamp;
    }
    bool operator==(const Stamp& other) const {
        return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

ScreenSaverDefaults::ScreenSaverDefaults(std::optional<std::filesystem::path> file, std::shared_ptr<Logger> logger)
    : file_(std::move(file)), logger_(std::move(logger)) {
    refresh();
}

ScreenSaverDefaults::~ScreenSaverDefaults() = default;

void ScreenSaverDefaults::refresh() const {
    if (!file_) {
        if (!store_) store_ = std::make_unique<MemoryPreferences>();
        return;
    }
    // One stat per read: cheap beside a frame, and the atomic rename of a
    // writer always gives the file a new inode.
    Stamp now = Stamp::of(*file_);
    if (store_ && stamp_ && *stamp_ == now) return;
    store_ = std::make_unique<FilePreferences>(*file_, logger_, "Ombriq screen saver settings");
    stamp_ = std::make_unique<Stamp>(Stamp::of(*file_));
}

std::optional<nlohmann::json> ScreenSaverDefaults::value(std::string_view key) const {
    refresh();
    return store_->value(key);
}

void ScreenSaverDefaults::setValue(std::string_view key, nlohmann::json value) {
    refresh();
    store_->setValue(key, std::move(value));
    if (file_) stamp_ = std::make_unique<Stamp>(Stamp::of(*file_));
}

}  // namespace glimora
