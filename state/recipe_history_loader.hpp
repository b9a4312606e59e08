// The library loader a program hands its NotchViewModel: the recipe file
// under the user's data folder, with failures written to the program's log.
#pragma once

#include <memory>

#include "model/recipe_library.hpp"
#include "platform/logger.hpp"
#include "platform/paths.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

// The application reads with readWrite access (an unreadable file is kept
// aside); programs that only show the library pass readOnly.
NotchViewModel::RecipeHistoryLoader recipeHistoryLoader(std::shared_ptr<const Paths> paths,
                                                        std::shared_ptr<Logger> logger,
                                                        RecipeHistoryAccess access);

}  // namespace glimora
