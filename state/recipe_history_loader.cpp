#include "state/recipe_history_loader.hpp"

namespace glimora {

NotchViewModel::RecipeHistoryLoader recipeHistoryLoader(std::shared_ptr<const Paths> paths,
                                                        std::shared_ptr<Logger> logger,
                                                        RecipeHistoryAccess access) {
    return [paths = std::move(paths), logger = std::move(logger), access] {
        const auto file = paths ? recipeHistoryURL(paths->dataHome()) : std::nullopt;
        const LogSink log = [&logger](std::string_view line) {
            if (logger) logger->log(line);
        };
        return loadRecipeHistory(file, log, access);
    };
}

}  // namespace glimora
