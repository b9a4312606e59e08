// Recipe documents: one recipe as JSON in a file of its own, written and read
// through the open and save panels.
#include <algorithm>
#include <system_error>

#include "model/atomic_file.hpp"
#include "model/recipe_json.hpp"
#include "model/utf8.hpp"
#include "platform/file_read.hpp"
#include "state/notch_view_model.hpp"
#include "state/recipe_names.hpp"

namespace glimora {

namespace {

// The whole document, refused before it is read when it is larger than any
// recipe this application writes.
std::string readRecipeDocument(const std::filesystem::path& file) {
    const std::string name = "“" + replacingInvalidUtf8(file.filename().string()) + "”";
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (!error && size > recipeFileSizeLimit)
        throw RecipeCodingError("The file " + name + " is larger than 64 MiB (" + std::to_string(size) + " bytes)");
    const auto bytes = readFileLimited(file, recipeFileSizeLimit);
    if (!bytes) throw RecipeCodingError("The file " + name + " could not be read");
    return std::string(bytes->begin(), bytes->end());
}

}  // namespace

std::string NotchViewModel::recipeFileName(const DesignRecipe& recipe) {
    return recipeDocumentFileName(recipe.displayName());
}

void NotchViewModel::exportCurrentRecipe() {
    const bool named = !trimmingWhitespaceAndNewlines(recipeName_).empty();
    // The photo's PNG is made while the panel is open.
    auto [recipe, photo] = makeRecipeForSaving(named ? recipeName_ : designDisplayName());
    presentRecipeExport(std::move(recipe), std::move(photo));
}

void NotchViewModel::exportRecipe(DesignRecipe recipe) {
    // A library entry whose photo is still being encoded is written with that
    // PNG once it is ready, as the entry itself will hold it.
    auto photo = photoAwaitedBy(recipe);
    if (!photo && recipe.image && !recipe.image->pngData)
        recipe.image->pngData = entryPngData(recipe);
    presentRecipeExport(std::move(recipe), std::move(photo));
}

void NotchViewModel::presentRecipeExport(DesignRecipe recipe, std::shared_ptr<const PhotoPng> photo) {
    if (!services_.fileDialogs) return;
    FileDialogs::SaveOptions options;
    options.allowedTypes = {FileDialogs::FileType::recipeDocument};
    options.suggestedFileName = recipeFileName(recipe);
    options.prompt = "Export Recipe";
    options.message = "Save this design as a portable Ombriq recipe.";
    options.directory = services_.paths->downloads();
    // The recipe travels by value: later edits of the design do not change what is written.
    services_.fileDialogs->save(options, [self = weakSelf(), recipe = std::move(recipe), photo = std::move(photo)](
                                             std::optional<std::filesystem::path> url) mutable {
        NotchViewModel* model = self.get();
        if (!model || !url) return;
        if (photo && recipe.image && !recipe.image->pngData) recipe.image->pngData = photo->bytes();
        model->writeRecipe(url, recipe);
    });
}

void NotchViewModel::writeRecipe(const std::optional<std::filesystem::path>& url, const DesignRecipe& recipe) {
    if (!url) return;
    std::optional<std::string> failure;
    try {
        const std::string bytes = encodeRecipeDocument(recipe);
        if (const auto error = AtomicFile::write(*url, bytes)) failure = error->description();
    } catch (const RecipeCodingError& error) {
        failure = error.what();
    }
    if (failure) {
        services_.logger->log("Ombriq recipe export failed: " + *failure);
        setRecipeStatus("Could not export recipe");
        return;
    }
    setRecipeStatus("Exported recipe");
}

void NotchViewModel::chooseRecipeToImport() {
    if (!services_.fileDialogs) return;
    FileDialogs::OpenOptions options;
    options.allowedTypes = {FileDialogs::FileType::recipeDocument, FileDialogs::FileType::json};
    options.prompt = "Import Recipe";
    options.message = "Open a Ombriq recipe to restore its exact design.";
    options.directory = services_.paths->downloads();
    services_.fileDialogs->open(options, [self = weakSelf()](std::vector<std::filesystem::path> urls) {
        NotchViewModel* model = self.get();
        if (!model || urls.empty()) return;
        model->importRecipe(urls.front());
    });
}

void NotchViewModel::importRecipe(const std::optional<std::filesystem::path>& url) {
    if (!url) return;
    DesignRecipe recipe;
    try {
        recipe = decodeRecipeDocument(readRecipeDocument(*url));
    } catch (const RecipeCodingError& error) {
        services_.logger->log(std::string("Ombriq recipe import failed: ") + error.what());
        setRecipeStatus("Could not open that recipe");
        return;
    }
    // Favourite and delete find entries by id: an imported copy of an entry
    // already in the library becomes an entry of its own.
    const bool taken = std::any_of(recipeHistory_.begin(), recipeHistory_.end(),
                                   [&recipe](const DesignRecipe& entry) { return entry.id == recipe.id; });
    if (taken) recipe.id = newUuid();
    insertRecipe(recipe, false);
    const bool saved = saveLibrary();
    const std::string name = recipe.displayName();
    openRecipe(std::move(recipe));
    setRecipeStatus(saved ? "Imported " + name : std::string("Could not save library"));
}

}  // namespace glimora
