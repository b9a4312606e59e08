// Saving the recipe library without holding up the editor. A photo recipe
// carries megabytes of PNG and Base64, so the main thread only hands over
// immutable entries (their photos shared, not copied); the text of each entry
// is made in the background and written to the file as soon as it is made,
// so that a save holds one entry's text at a time, never the whole library's
// hundreds of megabytes. The PNG of a photo is made once for all the entries
// that show it. Writes run one at a time and in order, and a newer list
// replaces one whose write has not started yet.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/atomic_file.hpp"
#include "model/design_recipe.hpp"
#include "platform/scheduler.hpp"
#include "render/pixel_image_buffer.hpp"

namespace glimora {

class RecipeLibraryWriter {
public:
    // The PNG bytes of one photo, made on first use by whichever thread asks
    // first; others asking meanwhile wait for the same result.
    class PhotoPng {
    public:
        explicit PhotoPng(PixelImageBuffer buffer) : buffer_(std::move(buffer)) {}
        // Nothing when the pixels cannot be encoded.
        const std::optional<SharedBytes>& bytes() const;
        bool isReady() const;
        // True for the first caller only: one background task per photo.
        bool claimBackgroundEncoding() const { return !claimed_.exchange(true); }

    private:
        PixelImageBuffer buffer_;
        mutable std::once_flag once_;
        mutable std::optional<SharedBytes> bytes_;
        mutable std::atomic<bool> ready_ = false;
        mutable std::atomic<bool> claimed_ = false;
    };

    // One library entry: a snapshot of the recipe, written as its document
    // text indented as an element of the library array.
    class Entry {
    public:
        // `photo` supplies the PNG bytes when the recipe's photo has none yet.
        explicit Entry(DesignRecipe recipe, std::shared_ptr<const PhotoPng> photo = nullptr);
        // Hands the text to `sink` in pieces; false when the sink failed.
        // Throws RecipeCodingError when the recipe cannot be written as JSON.
        bool writeText(const AtomicFile::Sink& sink) const;

    private:
        DesignRecipe recipe_;
        std::shared_ptr<const PhotoPng> photo_;
    };
    using EntryRef = std::shared_ptr<const Entry>;

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

    // The library file's bytes (at most the first 36 entries), handed to
    // `sink` entry by entry: the same text as encodeRecipeHistory of the
    // recipes. Stops when the sink fails. Throws RecipeCodingError.
    static void writeLibraryText(std::span<const EntryRef> entries, const AtomicFile::Sink& sink);
    // The same text whole.
    static std::string libraryText(std::span<const EntryRef> entries);

    // Hands the entries (at most the first 36 are written) to the background.
    // Returns the outcome when the write happened at once; otherwise nothing,
    // and `completion` runs later unless a newer save supersedes this one first.
    std::optional<Outcome> save(std::vector<EntryRef> entries, Completion completion);

    bool hasFile() const { return file_.has_value(); }

private:
    struct Queue;
    static Outcome write(const std::filesystem::path& file, std::span<const EntryRef> entries,
                         const AtomicFile::WriteFunction& writeFunction);
    static void drain(const std::shared_ptr<Queue>& queue);

    std::optional<std::filesystem::path> file_;
    std::shared_ptr<Scheduler> scheduler_;
    std::shared_ptr<Queue> queue_;
};

}  // namespace glimora
