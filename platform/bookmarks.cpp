#include "platform/bookmarks.hpp"

#include <system_error>

namespace glimora {

std::optional<std::string> PathBookmarks::bookmarkData(const std::filesystem::path& folder) const {
    if (folder.empty()) return std::nullopt;
    std::error_code error;
    const auto absolute = std::filesystem::absolute(folder, error);
    if (error) return std::nullopt;
    return absolute.lexically_normal().string();
}

std::optional<Bookmarks::Resolved> PathBookmarks::resolve(const std::string& data) const {
    const std::filesystem::path url(data);
    if (data.empty() || !url.is_absolute() || data.find('\0') != std::string::npos) return std::nullopt;
    return Resolved{url, false};
}

}  // namespace glimora
