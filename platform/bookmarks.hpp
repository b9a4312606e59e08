// Remembering a folder the user chose, across runs. Linux needs no sandbox
// grant, so a bookmark is the folder's absolute path and is never stale.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace glimora {

class Bookmarks {
public:
    struct Resolved {
        std::filesystem::path url;
        bool isStale = false;  // the data should be made again from `url`
    };

    virtual ~Bookmarks() = default;
    // The data to store for a folder; nothing when it cannot be made.
    virtual std::optional<std::string> bookmarkData(const std::filesystem::path& folder) const = 0;
    virtual std::optional<Resolved> resolve(const std::string& data) const = 0;
};

class PathBookmarks final : public Bookmarks {
public:
    // The absolute, lexically normal form of the path; nothing for an empty path.
    std::optional<std::string> bookmarkData(const std::filesystem::path& folder) const override;
    // Any absolute path; whether it still exists is for the reader to check.
    std::optional<Resolved> resolve(const std::string& data) const override;
};

}  // namespace glimora
