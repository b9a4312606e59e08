// The user's folders, after the XDG base-directory and user-dirs conventions.
#pragma once

#include <filesystem>
#include <optional>

namespace glimora {

class Paths {
public:
    virtual ~Paths() = default;
    // ${XDG_DATA_HOME:-~/.local/share}; nothing when neither is known.
    virtual std::optional<std::filesystem::path> dataHome() const = 0;
    // ${XDG_CONFIG_HOME:-~/.config}.
    virtual std::optional<std::filesystem::path> configHome() const = 0;
    // The XDG Download and Pictures user folders.
    virtual std::optional<std::filesystem::path> downloads() const = 0;
    virtual std::optional<std::filesystem::path> pictures() const = 0;
};

// Reads the environment and ~/.config/user-dirs.dirs.
class XdgPaths final : public Paths {
public:
    std::optional<std::filesystem::path> dataHome() const override;
    std::optional<std::filesystem::path> configHome() const override;
    std::optional<std::filesystem::path> downloads() const override;
    std::optional<std::filesystem::path> pictures() const override;
};

// Fixed folders, for tests and for programs that must not touch the user's files.
class FixedPaths final : public Paths {
public:
    explicit FixedPaths(std::optional<std::filesystem::path> root) : root_(std::move(root)) {}
    std::optional<std::filesystem::path> dataHome() const override { return sub("data"); }
    std::optional<std::filesystem::path> configHome() const override { return sub("config"); }
    std::optional<std::filesystem::path> downloads() const override { return sub("Downloads"); }
    std::optional<std::filesystem::path> pictures() const override { return sub("Pictures"); }

private:
    std::optional<std::filesystem::path> sub(const char* name) const {
        if (!root_) return std::nullopt;
        return *root_ / name;
    }
    std::optional<std::filesystem::path> root_;
};

}  // namespace glimora
