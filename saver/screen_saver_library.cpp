#include "saver/screen_saver_library.hpp"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "model/recipe_history_stream.hpp"
#include "model/recipe_library.hpp"
#include "platform/file_read.hpp"
#include "saver/screen_saver_settings.hpp"

namespace glimora {

std::vector<std::filesystem::path> recipeHistoryCandidates(const std::optional<std::filesystem::path>& home,
                                                           const std::optional<std::filesystem::path>& dataHome) {
    std::vector<std::filesystem::path> candidates;
    if (home && !home->empty())
        candidates.push_back(*home / ".var" / "app" / std::string(applicationIdentifier) / "data" / "Ombriq" /
                             "recipes.json");
    if (const auto own = recipeHistoryURL(dataHome)) candidates.push_back(*own);
    return candidates;
}

LibraryCandidateReading readLibraryCandidate(const std::filesystem::path& file, const RecipeHistorySink& sink,
                                             const std::atomic<bool>& cancelled) {
    constexpr auto unreadable = LibraryCandidateReading::unreadable;
    // Non-blocking, so that a FIFO in the file's place cannot hang the saver.
    const FileDescriptor opened(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!opened) return unreadable;
    const int fd = opened.get();
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || std::uintmax_t(info.st_size) > recipeHistoryFileSizeLimit)
        return unreadable;

    bool failed = false;
    std::uintmax_t total = 0;
    const RecipeHistoryByteSource source = [&](char* buffer, std::size_t capacity) -> std::size_t {
        if (failed || cancelled) {
            failed = true;
            return 0;
        }
        for (;;) {
            const ssize_t count = ::read(fd, buffer, capacity);
            if (count < 0 && errno == EINTR) continue;
            total += count > 0 ? std::uintmax_t(count) : 0;
            if (count < 0 || total > recipeHistoryFileSizeLimit) {
                failed = true;
                return 0;
            }
            return std::size_t(count);
        }
    };
    const auto decoding = decodeRecipeHistoryStream(source, {}, sink);
    if (failed || !decoding) return unreadable;
    return decoding->skipped > 0 || decoding->invalidPastLimit > 0 ? LibraryCandidateReading::damaged
                                                                   : LibraryCandidateReading::whole;
}

bool chooseLibrary(const std::vector<std::filesystem::path>& candidates, const LibraryCandidateReader& reader,
                   const LibraryChoiceSink& sink, const std::atomic<bool>& cancelled) {
    // The first damaged file's valid recipes, given again when no file is whole.
    std::optional<std::vector<DesignRecipe>> fallback;
    for (const auto& candidate : candidates) {
        if (cancelled) return false;
        bool gaveAny = false;
        // Whether the file is damaged shows only at its end: keep copies
        // while no fallback is chosen (cheap, as photos are shared bytes).
        const bool keep = !fallback;
        std::vector<DesignRecipe> kept;
        auto reading = LibraryCandidateReading::unreadable;
        try {
            reading = reader(
                candidate,
                [&](DesignRecipe&& recipe) {
                    gaveAny = true;
                    if (keep) kept.push_back(recipe);
                    sink.recipe(std::move(recipe));
                },
                cancelled);
        } catch (const std::exception&) {
            // No memory for it: as if it did not decode.
            reading = LibraryCandidateReading::unreadable;
        }
        if (cancelled) return false;
        if (reading == LibraryCandidateReading::whole) return true;
        if (gaveAny) sink.discarded();
        if (reading == LibraryCandidateReading::damaged && keep && !kept.empty()) fallback = std::move(kept);
    }
    if (fallback)
        for (auto& recipe : *fallback) sink.recipe(std::move(recipe));
    return true;
}

std::vector<DesignRecipe> loadRecipeHistoryCandidates(const std::vector<std::filesystem::path>& candidates) {
    const std::atomic<bool> never{false};
    std::vector<DesignRecipe> recipes;
    chooseLibrary(candidates, readLibraryCandidate,
                  {[&recipes](DesignRecipe&& recipe) { recipes.push_back(std::move(recipe)); },
                   [&recipes] { recipes.clear(); }},
                  never);
    return recipes;
}

std::vector<DesignRecipe> loadScreenSaverRecipes(std::vector<DesignRecipe> all, const Preferences& settings) {
    if (!favoritesOnly(settings)) return all;
    std::vector<DesignRecipe> favorites;
    for (auto& recipe : all)
        if (recipe.isFavorite) favorites.push_back(std::move(recipe));
    if (!favorites.empty()) return favorites;
    // Nothing was moved out when no recipe is a favourite.
    return all;
}

}  // namespace glimora
