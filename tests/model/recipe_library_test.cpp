#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "model/json_text.hpp"
#include "model/recipe_json.hpp"
#include "model/recipe_library.hpp"
#include "tests/model/recipe_samples.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

std::string contentsOf(const fs::path& file) {
    const auto bytes = readFile(file);
    return {bytes.begin(), bytes.end()};
}

std::vector<DesignRecipe> numberedRecipes(std::size_t count) {
    std::vector<DesignRecipe> recipes;
    for (std::size_t i = 0; i < count; ++i) {
        DesignRecipe r = i % 2 ? test::fullRecipe() : test::requiredOnlyRecipe();
        r.name = "recipe " + std::to_string(i);
        r.id.bytes[0] = std::uint8_t(i);
        recipes.push_back(std::move(r));
    }
    return recipes;
}

std::vector<fs::path> asideFiles(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("recipes.json.unreadable-", 0) == 0) found.push_back(entry.path());
    return found;
}

struct Log {
    std::vector<std::string> lines;
    LogSink sink() {
        return [this](std::string_view line) { lines.emplace_back(line); };
    }
};

class RecipeLibrary : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = *recipeHistoryURL(dir.path());
    Log log;
};

TEST_F(RecipeLibrary, LocationUnderTheDataFolder) {
    EXPECT_EQ(recipeHistoryURL(fs::path("/data")), fs::path("/data/Ombriq/recipes.json"));
    EXPECT_FALSE(recipeHistoryURL(std::nullopt));
    EXPECT_FALSE(fs::exists(dir.path() / "Ombriq"));
}

TEST_F(RecipeLibrary, WithoutALocationNothingIsReadOrWritten) {
    EXPECT_TRUE(loadRecipeHistory(std::nullopt, log.sink()).empty());
    EXPECT_TRUE(saveRecipeHistory(numberedRecipes(2), std::nullopt, log.sink()));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(RecipeLibrary, AMissingFileLoadsEmptyAndSilently) {
    EXPECT_TRUE(loadRecipeHistory(file, log.sink()).empty());
    EXPECT_TRUE(log.lines.empty());
    EXPECT_FALSE(fs::exists(file.parent_path()));
}

TEST_F(RecipeLibrary, SaveCreatesTheFolderAndLoadGivesTheListBack) {
    const auto recipes = numberedRecipes(5);
    ASSERT_TRUE(saveRecipeHistory(recipes, file, log.sink()));
    EXPECT_EQ(loadRecipeHistory(file, log.sink()), recipes);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(JsonText::parse(contentsOf(file)).is_array());

    // Removing the folder between saves: the next save makes it again.
    fs::remove_all(file.parent_path());
    ASSERT_TRUE(saveRecipeHistory(recipes, file, log.sink()));
    EXPECT_EQ(loadRecipeHistory(file, log.sink()), recipes);
}

TEST_F(RecipeLibrary, KeepsTheFirstThirtySixOnSaveAndOnLoad) {
    const auto thirtySeven = numberedRecipes(37);
    ASSERT_TRUE(saveRecipeHistory(thirtySeven, file, log.sink()));
    const auto loaded = loadRecipeHistory(file, log.sink());
    ASSERT_EQ(loaded.size(), 36u);
    EXPECT_EQ(loaded.back().name, "recipe 35");
    EXPECT_EQ(JsonText::parse(contentsOf(file)).size(), 36u);

    writeFile(file, encodeRecipeArray(numberedRecipes(40)));
    const auto firstOfForty = loadRecipeHistory(file, log.sink());
    ASSERT_EQ(firstOfForty.size(), 36u);
    for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(firstOfForty[i].name, "recipe " + std::to_string(i));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(RecipeLibrary, BadElementsAreSkippedOneLogLineEachAndTheFileIsKeptAside) {
    nlohmann::json array = JsonText::parse(encodeRecipeArray(numberedRecipes(10)));
    array[3].erase("okLab");
    array[6]["seed"] = -1;
    const std::string original = JsonText::write(array);
    writeFile(file, original);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);

    const auto loaded = loadRecipeHistory(file, log.sink());
    ASSERT_EQ(loaded.size(), 8u);
    EXPECT_EQ(loaded[3].name, "recipe 4");
    EXPECT_EQ(loaded[5].name, "recipe 7");
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_NE(log.lines[0].find("recipe 4 of 10"), std::string::npos) << log.lines[0];
    EXPECT_NE(log.lines[0].find("okLab"), std::string::npos) << log.lines[0];
    EXPECT_NE(log.lines[1].find("seed"), std::string::npos) << log.lines[1];
    // The original stays until the next save, and a copy of it survives that save.
    EXPECT_EQ(contentsOf(file), original);
    const auto aside = asideFiles(file.parent_path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(contentsOf(aside[0]), original);
    EXPECT_EQ(fs::status(aside[0]).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(log.lines[2].find(aside[0].string()), std::string::npos) << log.lines[2];
}

TEST_F(RecipeLibrary, AFileThatIsNotAJsonArrayIsMovedAsideBeforeAnythingWrites) {
    for (const std::string& bad : std::vector<std::string>{"{not json", "{\"recipes\": []}", "", "[1, 2"}) {
        fs::remove_all(file.parent_path());
        writeFile(file, bad);
        log.lines.clear();
        EXPECT_TRUE(loadRecipeHistory(file, log.sink()).empty());
        EXPECT_FALSE(fs::exists(file));
        const auto aside = asideFiles(file.parent_path());
        ASSERT_EQ(aside.size(), 1u) << bad;
        EXPECT_EQ(contentsOf(aside[0]), bad);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_NE(log.lines[0].find(aside[0].string()), std::string::npos) << log.lines[0];

        ASSERT_TRUE(saveRecipeHistory(numberedRecipes(1), file, log.sink()));
        EXPECT_EQ(contentsOf(aside[0]), bad);
    }
}

TEST_F(RecipeLibrary, ASecondUnreadableFileDoesNotReplaceTheFirstCopy) {
    writeFile(file, "first bad");
    loadRecipeHistory(file, log.sink());
    writeFile(file, "second bad");
    loadRecipeHistory(file, log.sink());
    const auto aside = asideFiles(file.parent_path());
    ASSERT_EQ(aside.size(), 2u);
    EXPECT_NE(contentsOf(aside[0]), contentsOf(aside[1]));
}

TEST_F(RecipeLibrary, ReadOnlyAccessNeverTouchesTheFolder) {
    writeFile(file, "{not json");
    EXPECT_TRUE(loadRecipeHistory(file, log.sink(), RecipeHistoryAccess::readOnly).empty());
    EXPECT_EQ(contentsOf(file), "{not json");
    EXPECT_TRUE(asideFiles(file.parent_path()).empty());
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(RecipeLibrary, FilesOverOneGibibyteAreRefusedUnread) {
    fs::create_directories(file.parent_path());
    writeFile(file, "[]");
    fs::resize_file(file, recipeHistoryFileSizeLimit + 1);  // sparse: nothing is really written
    EXPECT_TRUE(loadRecipeHistory(file, log.sink()).empty());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("1 GiB"), std::string::npos) << log.lines[0];
    const auto aside = asideFiles(file.parent_path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(fs::file_size(aside[0]), recipeHistoryFileSizeLimit + 1);
}

// A library of photo recipes is larger than any one document may be, and must
// read back: 80 MB of recipes were once refused at the next start.
TEST_F(RecipeLibrary, ALibraryLargerThanADocumentReadsBack) {
    std::vector<DesignRecipe> recipes = numberedRecipes(3);
    for (auto& recipe : recipes)
        recipe.image = RecipeImageAsset{"photo.png", 0.5, 0.5, 1,
                                        std::vector<std::uint8_t>(recipeFileSizeLimit / 4, 0x5A)};
    ASSERT_TRUE(saveRecipeHistory(recipes, file, log.sink()));
    EXPECT_GT(fs::file_size(file), recipeFileSizeLimit);
    EXPECT_EQ(loadRecipeHistory(file, log.sink()), recipes);
    EXPECT_TRUE(log.lines.empty());
}

// Every way of failing a save must leave the old file as it was, write one
// log line in the agreed form and report false.
void expectFailedSave(const fs::path& file, const std::string& before, const Log& log, bool saved) {
    EXPECT_FALSE(saved);
    EXPECT_EQ(contentsOf(file), before);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("Ombriq recipe history could not be saved: ", 0), 0u) << log.lines[0];
}

TEST_F(RecipeLibrary, SaveIntoAReadOnlyFolderFails) {
    ASSERT_TRUE(saveRecipeHistory(numberedRecipes(3), file, log.sink()));
    const std::string before = contentsOf(file);
    // What creating the temporary file in a read-only folder does, for any
    // user (root writes through permission bits).
    int opens = 0;
    const auto readOnlyFolder = [&opens](const char*, int, unsigned) {
        ++opens;
        errno = EACCES;
        return -1;
    };
    expectFailedSave(file, before, log, saveRecipeHistory(numberedRecipes(5), file, log.sink(), {}, readOnlyFolder));
    EXPECT_EQ(opens, 1);
    EXPECT_NE(log.lines[0].find("Could not create a temporary file next to"), std::string::npos) << log.lines[0];
    EXPECT_NE(log.lines[0].find("Permission denied"), std::string::npos) << log.lines[0];
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(RecipeLibrary, SaveThatFailsPartWayThroughTheWrite) {
    ASSERT_TRUE(saveRecipeHistory(numberedRecipes(3), file, log.sink()));
    const std::string before = contentsOf(file);
    std::size_t written = 0;
    const auto diskFull = [&written](int fd, const void* data, std::size_t size) -> long {
        if (written >= 1000) {
            errno = ENOSPC;
            return -1;
        }
        const long n = long(::write(fd, data, std::min<std::size_t>(size, 1000 - written)));
        written += std::size_t(n);
        return n;
    };
    expectFailedSave(file, before, log, saveRecipeHistory(numberedRecipes(5), file, log.sink(), diskFull));
    EXPECT_NE(log.lines[0].find("No space left on device"), std::string::npos) << log.lines[0];
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

// A library written as it is made cannot be measured first: the writer stops
// once it passes what may be read back, before the rename.
TEST_F(RecipeLibrary, AStreamedSavePastOneGibibyteIsAbandoned) {
    ASSERT_TRUE(saveRecipeHistory(numberedRecipes(3), file, log.sink()));
    const std::string before = contentsOf(file);
    const std::string piece(std::size_t(1) << 20, 'x');
    std::size_t offered = 0, written = 0;
    // Discards the bytes: a real gibibyte on disk would prove nothing more.
    const auto discarding = [&written](int, const void*, std::size_t size) -> long {
        written += size;
        return long(size);
    };
    const auto endless = [&](const AtomicFile::Sink& sink) {
        for (int i = 0; i < 2048; ++i) {
            offered += piece.size();
            if (!sink(piece)) return;
        }
    };
    expectFailedSave(file, before, log, writeRecipeHistoryFile(file, endless, log.sink(), discarding));
    EXPECT_NE(log.lines[0].find("1 GiB"), std::string::npos) << log.lines[0];
    EXPECT_EQ(offered, recipeHistoryFileSizeLimit + piece.size());
    EXPECT_LE(written, recipeHistoryFileSizeLimit);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);

    // Exactly the limit is still a library.
    log.lines.clear();
    offered = 0;
    const auto atTheLimit = [&](const AtomicFile::Sink& sink) {
        for (std::size_t i = 0; i < recipeHistoryFileSizeLimit / piece.size(); ++i) sink(piece);
    };
    EXPECT_TRUE(writeRecipeHistoryFile(file, atTheLimit, log.sink(), discarding));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(RecipeLibrary, SaveOfARecipeThatCannotBeEncodedFails) {
    ASSERT_TRUE(saveRecipeHistory(numberedRecipes(3), file, log.sink()));
    const std::string before = contentsOf(file);
    auto recipes = numberedRecipes(3);
    recipes[1].hue = std::nan("");
    expectFailedSave(file, before, log, saveRecipeHistory(recipes, file, log.sink()));
    EXPECT_NE(log.lines[0].find("hue"), std::string::npos) << log.lines[0];
    // Recipes past the cap are not written, so they cannot fail the save.
    log.lines.clear();
    auto tooMany = numberedRecipes(37);
    tooMany.back().hue = std::nan("");
    EXPECT_TRUE(saveRecipeHistory(tooMany, file, log.sink()));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(RecipeLibrary, SaveWhereTheFolderCannotBeMadeFails) {
    writeFile(dir.path() / "Ombriq", "a file where the folder should be");
    EXPECT_FALSE(saveRecipeHistory(numberedRecipes(1), file, log.sink()));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("Ombriq recipe history could not be saved: ", 0), 0u) << log.lines[0];
}

}  // namespace
}  // namespace glimora
