#include "state/recipe_library_writer.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

#include "model/recipe_library.hpp"
#include "tests/model/recipe_samples.hpp"
#include "tests/support/platform_fakes.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

std::vector<RecipeLibraryWriter::EntryRef> entriesOf(const std::vector<DesignRecipe>& recipes) {
    std::vector<RecipeLibraryWriter::EntryRef> entries;
    for (const auto& recipe : recipes) entries.push_back(std::make_shared<RecipeLibraryWriter::Entry>(recipe));
    return entries;
}

std::string fileText(const std::filesystem::path& file) {
    const auto bytes = test::readFile(file);
    return std::string(bytes.begin(), bytes.end());
}

TEST(RecipeLibraryWriter, TheFileTextIsTheLibraryEncodingByteForByte) {
    DesignRecipe odd = test::fullRecipe();
    odd.name = "line\nbreak \"quoted\" \\ tab\t";
    std::vector<DesignRecipe> recipes;
    for (std::size_t count : {0, 1, 3, 37}) {
        while (recipes.size() < count) recipes.push_back(recipes.size() % 2 ? test::requiredOnlyRecipe() : odd);
        const auto entries = entriesOf(recipes);
        EXPECT_EQ(RecipeLibraryWriter::libraryText(entries), *encodeRecipeHistory(recipes)) << count;
    }
}

TEST(RecipeLibraryWriter, WritesInTheBackgroundAndANewerListSupersedesAPendingOne) {
    const test::TempDir root;
    const auto file = root.path() / "Ombriq/recipes.json";
    auto scheduler = std::make_shared<test::ManualScheduler>();
    int writes = 0;
    const AtomicFile::WriteFunction counting = [&writes](int fd, const void* data, std::size_t size) {
        ++writes;
        return long(::write(fd, data, size));
    };
    RecipeLibraryWriter writer(file, scheduler, counting);
    std::vector<bool> outcomes;
    const auto record = [&outcomes](RecipeLibraryWriter::Outcome outcome) { outcomes.push_back(outcome.saved); };

    EXPECT_FALSE(writer.save(entriesOf({test::fullRecipe()}), record).has_value());
    EXPECT_FALSE(writer.save(entriesOf({test::requiredOnlyRecipe()}), record).has_value());
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(scheduler->pendingBackground(), 1u);
    scheduler->runBackground();
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(fileText(file), *encodeRecipeHistory({test::requiredOnlyRecipe()}));
    EXPECT_TRUE(outcomes.empty()) << "outcomes arrive on the main thread";
    scheduler->runPosted();
    EXPECT_EQ(outcomes, std::vector<bool>{true});

    // The writer may go before its write runs; the write still happens.
    {
        RecipeLibraryWriter shortLived(file, scheduler);
        shortLived.save(entriesOf({test::fullRecipe(), test::requiredOnlyRecipe()}), {});
    }
    scheduler->runUntilIdle();
    EXPECT_EQ(fileText(file), *encodeRecipeHistory({test::fullRecipe(), test::requiredOnlyRecipe()}));
}

TEST(RecipeLibraryWriter, AFailedWriteKeepsTheOldFileAndReportsWhy) {
    const test::TempDir root;
    const auto file = root.path() / "recipes.json";
    test::writeFile(file, "[]");
    const AtomicFile::WriteFunction full = [](int, const void*, std::size_t) {
        errno = ENOSPC;
        return -1L;
    };
    RecipeLibraryWriter writer(file, nullptr, full);
    const auto outcome = writer.save(entriesOf({test::fullRecipe()}), {});
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->saved);
    ASSERT_EQ(outcome->logLines.size(), 1u);
    EXPECT_TRUE(outcome->logLines[0].starts_with("Ombriq recipe history could not be saved: "));
    EXPECT_EQ(fileText(file), "[]");
}

TEST(RecipeLibraryWriter, WithoutALocationNothingIsWritten) {
    auto scheduler = std::make_shared<test::ManualScheduler>();
    RecipeLibraryWriter writer(std::nullopt, scheduler);
    const auto outcome = writer.save(entriesOf({test::fullRecipe()}), {});
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->saved);
    EXPECT_TRUE(outcome->logLines.empty());
    EXPECT_EQ(scheduler->pendingBackground(), 0u);
}

}  // namespace
}  // namespace glimora
