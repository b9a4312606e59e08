#include "saver/screen_saver_library.hpp"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "model/json_text.hpp"
#include "model/recipe_json.hpp"
#include "model/recipe_library.hpp"
#include "saver/json_array_splitter.hpp"
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

namespace {

// The file read a piece at a time and decoded a recipe at a time, so at most
// one recipe's text and parsed form are in memory beside the recipes. Like
// the application's reader: every element must be JSON, the elements that
// are no valid recipe are left out, and the first 36 valid ones are kept.
// Nothing when the file cannot be read or is no JSON array.
std::optional<std::vector<DesignRecipe>> readLibraryFile(const std::filesystem::path& file) {
    // Non-blocking, so that a FIFO in the file's place cannot hang the saver.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || std::uintmax_t(info.st_size) > recipeHistoryFileSizeLimit)
        return std::nullopt;

    std::vector<DesignRecipe> recipes;
    bool malformed = false;
    const auto decode = [&](std::string_view text) {
        if (malformed) return;
        nlohmann::json value;
        try {
            // One level is the array's.
            value = JsonText::parse(text, 127);
        } catch (const JsonText::Error&) {
            malformed = true;
            return;
        }
        if (recipes.size() >= recipeHistoryLimit) return;
        try {
            recipes.push_back(recipeFromJson(value));
        } catch (const RecipeCodingError&) {
            // Not a recipe this version reads: left out, as the application does.
        }
    };
    JsonArraySplitter splitter;
    std::vector<char> chunk(std::size_t(4) << 20);
    std::uintmax_t total = 0;
    for (;;) {
        const ssize_t count = ::read(fd, chunk.data(), chunk.size());
        if (count < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (count == 0) break;
        total += std::uintmax_t(count);
        if (total > recipeHistoryFileSizeLimit) return std::nullopt;
        if (!splitter.feed(std::string_view(chunk.data(), std::size_t(count)), decode) || malformed)
            return std::nullopt;
    }
    if (!splitter.finished()) return std::nullopt;
    return recipes;
}

}  // namespace

std::vector<DesignRecipe> loadRecipeHistoryCandidates(const std::vector<std::filesystem::path>& candidates) {
    for (const auto& candidate : candidates) {
        try {
            if (auto recipes = readLibraryFile(candidate)) return std::move(*recipes);
        } catch (const std::exception&) {
            // No memory for it: the next one.
        }
    }
    return {};
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
