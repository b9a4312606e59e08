#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.hpp"

namespace glimora {

namespace {

std::optional<std::filesystem::path> absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    std::filesystem::path path(value);
    // The base-directory rules say relative values are invalid and ignored.
    if (!path.is_absolute()) return std::nullopt;
    return path;
}

std::optional<std::filesystem::path> home() {
    if (auto fromEnv = absoluteEnv("HOME")) return fromEnv;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result) return std::nullopt;
    if (!result->pw_dir || result->pw_dir[0] != '/') return std::nullopt;
    return std::filesystem::path(result->pw_dir);
}

std::optional<std::filesystem::path> baseDirectory(const char* variable, const char* fallback) {
    if (auto fromEnv = absoluteEnv(variable)) return fromEnv;
    auto root = home();
    if (!root) return std::nullopt;
    return *root / fallback;
}

// One value of user-dirs.dirs: "$HOME/sub" or "/absolute", shell-quoted.
std::optional<std::filesystem::path> parseUserDir(std::string_view quoted,
                                                  const std::filesystem::path& homeDir) {
    if (quoted.size() < 2 || quoted.front() != '"') return std::nullopt;
    std::string value;
    bool closed = false;
    for (std::size_t i = 1; i < quoted.size(); ++i) {
        const char c = quoted[i];
        if (c == '\\' && i + 1 < quoted.size()) {
            value += quoted[++i];
        } else if (c == '"') {
            closed = true;
            break;
        } else {
            value += c;
        }
    }
    if (!closed) return std::nullopt;
    constexpr std::string_view homePrefix = "$HOME";
    if (value.starts_with(homePrefix)) {
        const std::string_view rest = std::string_view(value).substr(homePrefix.size());
        if (rest.empty()) return homeDir;
        if (rest.front() != '/') return std::nullopt;
        return homeDir / std::filesystem::path(rest.substr(1));
    }
    if (!value.empty() && value.front() == '/') return std::filesystem::path(value);
    return std::nullopt;
}

// XDG_<name>_DIR from the user-dirs file, else from the environment, else ~/<fallback>.
std::optional<std::filesystem::path> userDirectory(std::string_view name, const char* fallback) {
    auto homeDir = home();
    if (!homeDir) return std::nullopt;
    const std::string key = "XDG_" + std::string(name) + "_DIR";

    std::optional<std::filesystem::path> found;
    if (auto config = baseDirectory("XDG_CONFIG_HOME", ".config")) {
        std::ifstream file(*config / "user-dirs.dirs");
        std::string line;
        while (std::getline(file, line)) {
            std::string_view text(line);
            while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
            if (text.empty() || text.front() == '#') continue;
            if (!text.starts_with(key) || text.size() <= key.size() || text[key.size()] != '=') continue;
            // A later line overrides an earlier one, as when the shell sources the file.
            if (auto path = parseUserDir(text.substr(key.size() + 1), *homeDir)) found = std::move(path);
        }
    }
    if (found) return found;
    if (auto fromEnv = absoluteEnv(key.c_str())) return fromEnv;
    return *homeDir / fallback;
}

}  // namespace

std::optional<std::filesystem::path> XdgPaths::dataHome() const {
    return baseDirectory("XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> XdgPaths::configHome() const {
    return baseDirectory("XDG_CONFIG_HOME", ".config");
}

std::optional<std::filesystem::path> XdgPaths::downloads() const {
    return userDirectory("DOWNLOAD", "Downloads");
}

std::optional<std::filesystem::path> XdgPaths::pictures() const {
    return userDirectory("PICTURES", "Pictures");
}

}  // namespace glimora
