#include "saver/screen_saver_library.hpp"

#include <gtest/gtest.h>

#include "model/recipe_library.hpp"
#include "saver/screen_saver_settings.hpp"
#include "tests/saver/saver_fixtures.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora::test {
namespace {

std::string libraryText(const std::vector<DesignRecipe>& recipes) { return *encodeRecipeHistory(recipes); }

std::vector<std::string> names(const std::vector<DesignRecipe>& recipes) {
    std::vector<std::string> result;
    for (const auto& recipe : recipes) result.push_back(recipe.name);
    return result;
}

struct Folders {
    TempDir temp;
    std::filesystem::path home = temp.path() / "home";
    std::filesystem::path data = temp.path() / "data";
    std::filesystem::path sandboxed() const {
        return home / ".var/app/com.kestrune.app.murmel.glimora/data/Ombriq/recipes.json";
    }
    std::filesystem::path own() const { return data / "Ombriq/recipes.json"; }
    std::vector<DesignRecipe> load() const { return loadRecipeHistoryCandidates(recipeHistoryCandidates(home, data)); }
};

TEST(SaverLibrary, CandidatesAreTheSandboxedCopyThenTheDataFolder) {
    Folders f;
    EXPECT_EQ(recipeHistoryCandidates(f.home, f.data), (std::vector<std::filesystem::path>{f.sandboxed(), f.own()}));
    EXPECT_EQ(recipeHistoryCandidates(std::nullopt, f.data), (std::vector<std::filesystem::path>{f.own()}));
    EXPECT_TRUE(recipeHistoryCandidates(std::nullopt, std::nullopt).empty());
}

TEST(SaverLibrary, TheFirstCandidateThatReadsAndDecodesWins) {
    Folders f;
    EXPECT_TRUE(f.load().empty());  // neither exists

    writeFile(f.own(), libraryText({gradientRecipe("own", 20)}));
    EXPECT_EQ(names(f.load()), std::vector<std::string>{"own"});  // sandboxed copy missing

    writeFile(f.sandboxed(), "{ not json");
    EXPECT_EQ(names(f.load()), std::vector<std::string>{"own"});
    writeFile(f.sandboxed(), R"({"a": 1})");  // JSON, but no array
    EXPECT_EQ(names(f.load()), std::vector<std::string>{"own"});

    writeFile(f.sandboxed(), "[]");  // empty, but it decodes: the search ends here
    EXPECT_TRUE(f.load().empty());

    writeFile(f.sandboxed(), libraryText({gradientRecipe("sandboxed", 30), gradientRecipe("second", 40)}));
    EXPECT_EQ(names(f.load()), (std::vector<std::string>{"sandboxed", "second"}));
}

// A library file of `valid` with an element that is no recipe at `at`: the
// valid recipe at `at` with a required key gone, or with a wrong type.
enum class Damage { missingKey, wrongType };
std::string damagedLibrary(const std::vector<DesignRecipe>& valid, std::size_t at, Damage damage) {
    auto elements = nlohmann::json::parse(libraryText(valid));
    auto bad = elements.at(std::min(at, elements.size() - 1));
    if (damage == Damage::missingKey)
        bad.erase("okLab");
    else
        bad["angle"] = "steep";
    elements.insert(elements.begin() + std::ptrdiff_t(at), bad);
    return elements.dump();
}

TEST(SaverLibrary, ADamagedCopyNeverShadowsASoundOne) {
    Folders f;
    writeFile(f.sandboxed(),
              damagedLibrary({gradientRecipe("s1", 20), gradientRecipe("s2", 30)}, 1, Damage::missingKey));
    writeFile(f.own(), libraryText({gradientRecipe("own", 40)}));
    EXPECT_EQ(names(f.load()), std::vector<std::string>{"own"});
    writeFile(f.own(), "[]");  // sound, if empty
    EXPECT_TRUE(f.load().empty());

    // No sound copy: the damaged one's valid recipes, rather than nothing.
    writeFile(f.own(), "{ not json");
    EXPECT_EQ(names(f.load()), (std::vector<std::string>{"s1", "s2"}));
    std::filesystem::remove(f.own());
    EXPECT_EQ(names(f.load()), (std::vector<std::string>{"s1", "s2"}));

    // Both damaged: the first that has any valid recipe.
    writeFile(f.sandboxed(), R"([{"name": "no recipe"}])");
    writeFile(f.own(), damagedLibrary({gradientRecipe("o1", 50)}, 1, Damage::wrongType));
    EXPECT_EQ(names(f.load()), std::vector<std::string>{"o1"});
    writeFile(f.sandboxed(), damagedLibrary({gradientRecipe("s1", 20)}, 1, Damage::missingKey));
    EXPECT_EQ(names(f.load()), std::vector<std::string>{"s1"});
}

TEST(SaverLibrary, ABadElementPastTheThirtySixthStillMakesTheFileDamaged) {
    Folders f;
    std::vector<DesignRecipe> many;
    for (int i = 0; i < 37; ++i) many.push_back(gradientRecipe("r" + std::to_string(i), 10 + i));
    writeFile(f.sandboxed(), damagedLibrary(many, 36, Damage::missingKey));
    writeFile(f.own(), libraryText({gradientRecipe("own", 60)}));
    EXPECT_EQ(names(f.load()), std::vector<std::string>{"own"});
    std::filesystem::remove(f.own());
    const auto salvaged = f.load();
    ASSERT_EQ(salvaged.size(), 36u);
    EXPECT_EQ(salvaged.back().name, "r35");
}

TEST(SaverLibrary, AtMostTheFirstThirtySixRecipes) {
    Folders f;
    std::string text = "[";
    for (int i = 0; i < 40; ++i) {
        auto recipe = gradientRecipe("r" + std::to_string(i), 10 + i);
        std::string one = libraryText({recipe});
        // One element of a one-element array.
        one = one.substr(one.find('{'), one.rfind('}') - one.find('{') + 1);
        text += (i ? "," : "") + one;
    }
    writeFile(f.own(), text + "]");
    const auto loaded = f.load();
    ASSERT_EQ(loaded.size(), 36u);
    EXPECT_EQ(loaded.front().name, "r0");
    EXPECT_EQ(loaded.back().name, "r35");
}

TEST(SaverLibrary, ReadingChangesNothingOnDisk) {
    Folders f;
    writeFile(f.sandboxed(), "garbage");
    writeFile(f.own(), "[{\"broken\": true}]");
    const auto before = std::filesystem::last_write_time(f.own());
    f.load();
    EXPECT_EQ(std::filesystem::last_write_time(f.own()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.own().parent_path()), {}), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.sandboxed().parent_path()), {}), 1);
}

TEST(SaverLibrary, FavouritesOnly) {
    const std::vector<DesignRecipe> all{gradientRecipe("a", 20), gradientRecipe("b", 30, true),
                                        gradientRecipe("c", 40), gradientRecipe("d", 50, true)};
    MemoryPreferences settings;
    EXPECT_EQ(names(loadScreenSaverRecipes(all, settings)), (std::vector<std::string>{"a", "b", "c", "d"}));
    settings.setValue(favoritesOnlyKey, true);
    EXPECT_EQ(names(loadScreenSaverRecipes(all, settings)), (std::vector<std::string>{"b", "d"}));
    const std::vector<DesignRecipe> none{gradientRecipe("a", 20), gradientRecipe("c", 40)};
    EXPECT_EQ(names(loadScreenSaverRecipes(none, settings)), (std::vector<std::string>{"a", "c"}));
    settings.setValue(favoritesOnlyKey, "yes");  // not a boolean: the default, off
    EXPECT_EQ(loadScreenSaverRecipes(all, settings).size(), 4u);
}

TEST(SaverLibrary, TheSessionCyclesOnlyFavouritesWhenAsked) {
    SaverHarness h;
    h.settings->setValue(favoritesOnlyKey, true);
    auto view = h.make({gradientRecipe("a", 20), gradientRecipe("b", 30, true)});
    ASSERT_EQ(view->recipes().size(), 1u);
    view->advanceRecipe();
    view->advanceRecipe();
    EXPECT_EQ(h.applied, (std::vector<std::string>{"b", "b"}));
}

}  // namespace
}  // namespace glimora::test
