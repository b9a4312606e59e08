// Saving the recipe library without holding up the editor. The main thread
// turns the list into text, reusing the text of entries it has written
// before (a photo recipe carries megabytes of Base64); a background task joins
// the pieces and replaces the file. Writes run one at a time and in order,
// and a newer list replaces one whose write has not started yet.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/atomic_file.hpp"
#include "model/design_recipe.hpp"
#include "platform/scheduler.hpp"

namespace glimora {

class RecipeLibraryWriter {
public:
    // The text of one library entry: the recipe's document text indented as
    // an element of the library array. Shared, as the file text is built from it.
    using Entry = std::shared_ptr<const std::string>;

    struct Outcome {
        bool saved = true;
        std::vector<std::string> logLines;
    };
    // Runs on the main thread once a write has ended.
    using Completion = std::function<void(Outcome)>;

    // No file: nothing is ever written and every save succeeds. No scheduler:
    // writes happen at once on the caller's thread.
    RecipeLibraryWriter(std::optional<std::filesystem::path> file, std::shared_ptr<Scheduler> scheduler,
                        AtomicFile::WriteFunction writeFunction = {});
    // Writes already handed over still happen.
    ~RecipeLibraryWriter();
    RecipeLibraryWriter(const RecipeLibraryWriter&) = delete;
    RecipeLibraryWriter& operator=(const RecipeLibraryWriter&) = delete;

    // Throws RecipeCodingError when the recipe cannot be written as JSON.
    static Entry encodeEntry(const DesignRecipe& recipe);
    // The library file's bytes: the same text as encodeRecipeHistory of the recipes.
    static std::string libraryText(std::span<const Entry> entries);

    // Hands the entries (at most the first 36 are written) to the background.
    // Returns the outcome when the write happened at once; otherwise nothing,
    // and `completion` runs later unless a newer save supersedes this one first.
    std::optional<Outcome> save(std::vector<Entry> entries, Completion completion);

    bool hasFile() const { return file_.has_value(); }

private:
    struct Queue;
    static Outcome write(const std::filesystem::path& file, std::span<const Entry> entries,
                         const AtomicFile::WriteFunction& writeFunction);
    static void drain(const std::shared_ptr<Queue>& queue);

    std::optional<std::filesystem::path> file_;
    std::shared_ptr<Scheduler> scheduler_;
    std::shared_ptr<Queue> queue_;
};

}  // namespace glimora
