// Open and save panels. Each shows without blocking and reports through its
// completion on the main thread, later; the implementation brings the
// application to the front first.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace glimora {

class FileDialogs {
public:
    // What a panel offers. `image` is every picture format the desktop can read.
    enum class FileType { image, png, svg, json, recipeDocument, data };

    struct OpenOptions {
        bool canChooseFiles = true;
        bool canChooseDirectories = false;
        bool allowsMultipleSelection = false;
        std::vector<FileType> allowedTypes;  // empty: any file
        std::string prompt;
        std::string message;
        std::optional<std::filesystem::path> directory;
    };

    struct SaveOptions {
        bool canCreateDirectories = true;
        bool isExtensionHidden = false;
        std::vector<FileType> allowedTypes;
        std::string suggestedFileName;
        std::string prompt;
        std::string message;
        std::optional<std::filesystem::path> directory;
    };

    // The chosen paths; empty when the panel was cancelled.
    using OpenCompletion = std::function<void(std::vector<std::filesystem::path>)>;
    // The chosen path; nothing when the panel was cancelled.
    using SaveCompletion = std::function<void(std::optional<std::filesystem::path>)>;

    virtual ~FileDialogs() = default;
    virtual void open(const OpenOptions& options, OpenCompletion completion) = 0;
    virtual void save(const SaveOptions& options, SaveCompletion completion) = 0;
};

}  // namespace glimora
