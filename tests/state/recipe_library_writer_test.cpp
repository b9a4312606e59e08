#include "state/recipe_library_writer.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>
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
    // Counts saves: only the start of a library array opens a line with '['.
    int writes = 0;
    const AtomicFile::WriteFunction counting = [&writes](int fd, const void* data, std::size_t size) {
        if (size > 0 && *static_cast<const char*>(data) == '[') ++writes;
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

// Each entry goes to the file as soon as its text is made, so a library of
// photos is never held whole; an entry that cannot be written still leaves
// the old file and no temporary.
TEST(RecipeLibraryWriter, EntriesReachTheFileAsTheyAreMadeAndAFailingOneKeepsTheOldFile) {
    const test::TempDir root;
    const auto file = root.path() / "recipes.json";
    test::writeFile(file, "[]");
    DesignRecipe unwritable = test::fullRecipe();
    unwritable.hue = std::numeric_limits<double>::quiet_NaN();
    const std::vector<DesignRecipe> written = {test::fullRecipe(), test::requiredOnlyRecipe()};
    std::vector<DesignRecipe> recipes = written;
    recipes.push_back(unwritable);

    std::string reached;
    std::size_t largestWrite = 0;
    const AtomicFile::WriteFunction recording = [&](int fd, const void* data, std::size_t size) {
        reached.append(static_cast<const char*>(data), size);
        largestWrite = std::max(largestWrite, size);
        return long(::write(fd, data, size));
    };
    RecipeLibraryWriter writer(file, nullptr, recording);
    const auto outcome = writer.save(entriesOf(recipes), {});
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->saved);
    ASSERT_EQ(outcome->logLines.size(), 1u);
    EXPECT_TRUE(outcome->logLines[0].starts_with("Ombriq recipe history could not be saved: ")) << outcome->logLines[0];
    EXPECT_NE(outcome->logLines[0].find("hue"), std::string::npos) << outcome->logLines[0];
    // The two good entries were already on their way, up to the separator
    // before the one that failed.
    const std::string firstTwo = *encodeRecipeHistory(written);
    EXPECT_EQ(reached, firstTwo.substr(0, firstTwo.size() - 2) + ",\n  ");
    EXPECT_LT(largestWrite, firstTwo.size() / 2) << "the library was written in one piece";
    EXPECT_EQ(fileText(file), "[]");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path()), std::filesystem::directory_iterator()), 1);

    // The same entries save again, byte for byte, once the bad one is gone.
    recipes.pop_back();
    const auto again = writer.save(entriesOf(recipes), {});
    ASSERT_TRUE(again.has_value());
    EXPECT_TRUE(again->saved);
    EXPECT_EQ(fileText(file), firstTwo);
}

// An entry saved before its photo's PNG was made gets it from the shared
// photo, and stays as it was handed over: every save writes the same text.
TEST(RecipeLibraryWriter, AnEntryAwaitingItsPhotoIsWrittenWithItOnEverySave) {
    PixelImageBuffer photo;
    photo.width = 3;
    photo.height = 2;
    photo.rgba = std::make_shared<const std::vector<std::uint8_t>>(
        std::vector<std::uint8_t>{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                                  9, 9, 9, 255, 99, 99, 99, 255, 199, 199, 199, 255});
    DesignRecipe recipe = test::fullRecipe();
    recipe.image->pngData.reset();
    const auto png = std::make_shared<const RecipeLibraryWriter::PhotoPng>(photo);
    const std::vector<RecipeLibraryWriter::EntryRef> entries = {
        std::make_shared<const RecipeLibraryWriter::Entry>(recipe, png)};

    DesignRecipe withPhoto = recipe;
    withPhoto.image->pngData = photo.pngData();
    ASSERT_TRUE(withPhoto.image->pngData);
    const std::string expected = *encodeRecipeHistory({withPhoto});
    EXPECT_EQ(RecipeLibraryWriter::libraryText(entries), expected);
    EXPECT_EQ(RecipeLibraryWriter::libraryText(entries), expected);
    EXPECT_TRUE(png->isReady());
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
