// Ombriq's three settings, kept in a JSON file of the saver's own under the
// XDG config folder (never the application's), named after the module name.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/logger.hpp"
#include "platform/paths.hpp"
#include "platform/preferences.hpp"

namespace glimora {

inline constexpr std::string_view artworkIntervalKey = "artworkInterval";
inline constexpr std::string_view favoritesOnlyKey = "favoritesOnly";
inline constexpr std::string_view animateArtworkKey = "animateArtwork";

inline constexpr double defaultArtworkInterval = 90.0;
inline constexpr double minimumArtworkInterval = 10.0;
inline constexpr double previewArtworkIntervalCap = 15.0;

// The saver is a program of its own, not a loadable module, so its settings name is fixed.
inline constexpr std::string_view screenSaverModuleName = "com.kestrune.app.murmel.glimora.screensaver";

// ${XDG_CONFIG_HOME:-~/.config}/ombriq/<module name>.json; nothing without a config folder.
std::optional<std::filesystem::path> screenSaverSettingsFile(const Paths& paths);

// The values as the form starts from them: the interval raised to at least
// 10 (a stored text gives 10; a missing one, null, a boolean, an array or an
// object gives 90), the two switches as stored, else their defaults.
struct ScreenSaverSettings {
    double interval = defaultArtworkInterval;
    bool favoritesOnly = false;
    bool animateArtwork = true;

    friend bool operator==(const ScreenSaverSettings&, const ScreenSaverSettings&) = default;
};

// "artworkInterval" with its floor of 10 seconds; in the preview at most 15.
double artworkInterval(const Preferences& settings, bool isPreview);
bool favoritesOnly(const Preferences& settings);
bool animateArtwork(const Preferences& settings);

ScreenSaverSettings loadScreenSaverSettings(const Preferences& settings);
// Writes the three values as given, unchecked.
void saveScreenSaverSettings(Preferences& settings, double interval, bool favoritesOnly, bool animateArtwork);

// The saver's settings file, read again whenever it changed on disk (the
// configuration dialog is another process), so a running saver picks up a
// new interval at its next frame. Writes are atomic.
class ScreenSaverDefaults final : public Preferences {
public:
    ScreenSaverDefaults(std::optional<std::filesystem::path> file, std::shared_ptr<Logger> logger);
    ~ScreenSaverDefaults() override;

    std::optional<nlohmann::json> value(std::string_view key) const override;
    void setValue(std::string_view key, nlohmann::json value) override;

    const std::optional<std::filesystem::path>& file() const { return file_; }

private:
    struct Stamp;
    void refresh() const;

    std::optional<std::filesystem::path> file_;
    std::shared_ptr<Logger> logger_;
    mutable std::unique_ptr<Preferences> store_;
    mutable std::unique_ptr<Stamp> stamp_;
};

}  // namespace glimora
