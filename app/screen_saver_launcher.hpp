// The screen saver ships with the application as the program ombriq-saver, an
// XScreenSaver-compatible hack; setting it up means opening its settings.
#pragma once

#include <filesystem>
#include <optional>

namespace glimora {

class ScreenSaverLauncher {
public:
    virtual ~ScreenSaverLauncher() = default;
    // The saver program; nothing when it cannot be found.
    virtual std::optional<std::filesystem::path> locate() const = 0;
    // Starts the saver's settings dialog; whether the program could be started.
    virtual bool open(const std::filesystem::path& saver) = 0;
};

class OmbriqSaverLauncher final : public ScreenSaverLauncher {
public:
    static constexpr const char* programName = "ombriq-saver";

    // Looks beside the application first, then along PATH.
    explicit OmbriqSaverLauncher(std::filesystem::path applicationFolder)
        : applicationFolder_(std::move(applicationFolder)) {}

    std::optional<std::filesystem::path> locate() const override;
    // Runs "ombriq-saver --configure" on its own, detached from us.
    bool open(const std::filesystem::path& saver) override;

private:
    std::filesystem::path applicationFolder_;
};

}  // namespace glimora
