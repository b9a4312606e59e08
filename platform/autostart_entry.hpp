// The login item of an XDG desktop: a desktop entry in the user's autostart
// folder, ${XDG_CONFIG_HOME:-~/.config}/autostart/glimora.desktop.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/login_item.hpp"

namespace glimora {

class AutostartEntry final : public LoginItem {
public:
    // `configHome` nothing: no folder is known and every change fails.
    AutostartEntry(std::optional<std::filesystem::path> configHome, std::filesystem::path executable);

    // Enabled when the entry exists, starts this very program and is not
    // switched off; requiresApproval when the desktop's startup settings
    // switched it off (Hidden=true or X-GNOME-Autostart-enabled=false),
    // whichever program it starts.
    Status status() const override;
    // Writes the entry atomically, creating the folder when needed; an entry
    // the desktop switched off is replaced by one that is on.
    std::optional<std::string> registerItem() override;
    // Removes the entry; a missing entry is no failure.
    std::optional<std::string> unregisterItem() override;

    std::optional<std::filesystem::path> entryFile() const;

    // The whole entry for the program at `executable`; nothing when the path
    // is not absolute or not valid UTF-8 (a desktop entry is UTF-8 text).
    static std::optional<std::string> desktopEntryText(const std::filesystem::path& executable);
    // The Exec value that runs the program with no arguments: the path quoted,
    // then escaped as a desktop-entry string.
    static std::string execValue(const std::filesystem::path& executable);
    // The running program's canonical absolute path.
    static std::optional<std::filesystem::path> currentExecutable();

private:
    std::optional<std::filesystem::path> configHome_;
    std::filesystem::path executable_;
};

}  // namespace glimora
