// The session while the library is still being read: the first eligible
// recipe shows at once, and the order of showing is built when all is there.
#include <gtest/gtest.h>

#include <set>

#include "saver/ombriq_screen_saver_view.hpp"
#include "saver/screen_saver_settings.hpp"
#include "tests/saver/saver_fixtures.hpp"

namespace glimora::test {
namespace {

// Recipe i has the angle 20 + 10 i, so the model tells which one it shows.
DesignRecipe numbered(int i, bool favorite = false) {
    return gradientRecipe(std::string(1, char('a' + i)), 20 + 10 * i, favorite);
}

std::string shown(const OmbriqScreenSaverView& view) {
    return view.currentRecipe() ? view.currentRecipe()->name : std::string("none");
}

TEST(SaverLibraryArrival, TheFirstRecipeShowsBeforeTheRestArrives) {
    SaverHarness h;
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    EXPECT_FALSE(view->readyToDraw()) << "no picture of the initial design before the library";
    EXPECT_FALSE(view->model().animationPlaying());
    h.run(*view, 2);

    view->libraryRecipeArrived(numbered(0));
    EXPECT_TRUE(view->readyToDraw());
    EXPECT_TRUE(view->libraryLoading());
    EXPECT_EQ(view->model().angle(), 20);
    EXPECT_TRUE(view->model().animationPlaying());
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a"}));

    // Later arrivals while "a" is up change nothing on screen.
    view->libraryRecipeArrived(numbered(1));
    h.run(*view, 3);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a"}));
    EXPECT_EQ(view->model().angle(), 20);
}

TEST(SaverLibraryArrival, TheOrderOpensWithTheRecipeOnScreenAndEachPassShowsAllOnce) {
    SaverHarness h;
    h.settings->setValue(artworkIntervalKey, 10.0);
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    for (int i = 0; i < 4; ++i) view->libraryRecipeArrived(numbered(i));
    const auto startedAt = view->model().animationStartTime();
    // The shuffle gives 1,0,3,2; "a" moves to the front.
    h.random->queueDraws({1, 0, 1});
    h.clock->advance(1);
    view->libraryFinished();
    EXPECT_FALSE(view->libraryLoading());
    ASSERT_EQ(view->recipes().size(), 4u);
    EXPECT_EQ(view->recipePosition(), 0);
    EXPECT_EQ(view->recipeOrder().front(), 0);
    EXPECT_EQ(std::set<int>(view->recipeOrder().begin(), view->recipeOrder().end()), (std::set<int>{0, 1, 2, 3}));
    // Not applied again: its animation runs on from where it was.
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a"}));
    EXPECT_EQ(view->model().animationStartTime(), startedAt);

    h.run(*view, 3 * 10.05);
    ASSERT_EQ(h.applied.size(), 4u);
    EXPECT_EQ(std::set<std::string>(h.applied.begin(), h.applied.end()),
              (std::set<std::string>{"a", "b", "c", "d"}));
    const std::string lastOfPass = h.applied.back();
    h.run(*view, 10.05);
    ASSERT_EQ(h.applied.size(), 5u);
    EXPECT_NE(h.applied.back(), lastOfPass) << "a new pass never opens with the last one shown";
}

TEST(SaverLibraryArrival, FavouritesOnlyWaitsForAFavouriteLateInTheFile) {
    SaverHarness h;
    h.settings->setValue(favoritesOnlyKey, true);
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    for (int i = 0; i < 5; ++i) view->libraryRecipeArrived(numbered(i));
    EXPECT_TRUE(h.applied.empty());
    EXPECT_FALSE(view->readyToDraw());
    view->libraryRecipeArrived(numbered(5, true));
    EXPECT_EQ(h.applied, (std::vector<std::string>{"f"}));
    EXPECT_EQ(view->model().angle(), 70);
    view->libraryRecipeArrived(numbered(6));
    view->libraryRecipeArrived(numbered(7, true));
    view->libraryFinished();
    // Only the favourites are cycled, and "f" opens the order.
    ASSERT_EQ(view->recipes().size(), 2u);
    EXPECT_EQ(view->recipes()[0].name, "f");
    EXPECT_EQ(view->recipes()[1].name, "h");
    EXPECT_EQ(shown(*view), "f");
    view->advanceRecipe();
    EXPECT_EQ(h.applied, (std::vector<std::string>{"f", "h"}));
}

TEST(SaverLibraryArrival, FavouritesOnlyWithoutAnyFavouriteCyclesAllOnceTheyAreThere) {
    SaverHarness h;
    h.settings->setValue(favoritesOnlyKey, true);
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    for (int i = 0; i < 3; ++i) view->libraryRecipeArrived(numbered(i));
    EXPECT_TRUE(h.applied.empty());
    h.random->queueDraws({1, 1});  // the order 1,2,0
    view->libraryFinished();
    EXPECT_EQ(view->recipes().size(), 3u);
    EXPECT_EQ(view->recipeOrder(), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(h.applied, (std::vector<std::string>{"b"}));
    EXPECT_TRUE(view->readyToDraw());
}

TEST(SaverLibraryArrival, FavouritesOnlyIsTheSettingAtTheStart) {
    SaverHarness h;
    auto view = h.makeWaitingForLibrary();
    h.settings->setValue(favoritesOnlyKey, true);
    view->libraryRecipeArrived(numbered(0));
    view->libraryRecipeArrived(numbered(1, true));
    view->libraryFinished();
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a"}));
    EXPECT_EQ(view->recipes().size(), 2u);
}

TEST(SaverLibraryArrival, AnIntervalPassingWhileReadingMovesToTheNextArrival) {
    SaverHarness h;
    h.settings->setValue(artworkIntervalKey, 10.0);
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    h.run(*view, 30);  // a long wait for the first: it still gets its whole interval
    view->libraryRecipeArrived(numbered(0));
    h.run(*view, 9.5);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a"}));
    h.run(*view, 1);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a", "a"})) << "nothing else has arrived yet";
    view->libraryRecipeArrived(numbered(1));
    h.run(*view, 10.5);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a", "a", "b"}));
}

TEST(SaverLibraryArrival, ADroppedFilesRecipeGivesWayToTheNextFile) {
    SaverHarness h;
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    view->libraryRecipeArrived(numbered(0));
    view->libraryRecipeArrived(numbered(1));
    view->libraryDiscarded();
    // Still on screen until the next file has something.
    EXPECT_TRUE(view->readyToDraw());
    EXPECT_EQ(view->model().angle(), 20);
    view->libraryRecipeArrived(numbered(2));
    EXPECT_EQ(view->model().angle(), 40);
    view->libraryFinished();
    ASSERT_EQ(view->recipes().size(), 1u);
    EXPECT_EQ(view->recipes()[0].name, "c");
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a", "c"}));
}

TEST(SaverLibraryArrival, ADroppedFileAndNoOtherLeavesTheInitialDesignStill) {
    SaverHarness h;
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    view->libraryRecipeArrived(numbered(0));
    view->libraryDiscarded();
    view->libraryFinished();
    EXPECT_TRUE(view->recipes().empty());
    EXPECT_EQ(view->currentRecipe(), nullptr);
    EXPECT_EQ(view->model().angle(), 135);  // the model's initial design
    EXPECT_FALSE(view->model().animationPlaying());
    EXPECT_FALSE(view->model().animationStartTime().has_value());
    h.run(*view, 200);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a"}));
}

TEST(SaverLibraryArrival, AnEmptyLibraryShowsTheInitialDesignStillOnceRead) {
    SaverHarness h;
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    view->libraryFinished();
    EXPECT_TRUE(view->readyToDraw());
    EXPECT_EQ(view->model().angle(), 135);
    EXPECT_FALSE(view->model().animationPlaying());
    // Anything after the end is not part of the library.
    view->libraryRecipeArrived(numbered(0));
    h.run(*view, 100);
    EXPECT_TRUE(h.applied.empty());
}

TEST(SaverLibraryArrival, StopAndStartWhileReadingApplyTheSameRecipeAgain) {
    SaverHarness h;
    auto view = h.makeWaitingForLibrary();
    view->libraryRecipeArrived(numbered(0));
    view->stopAnimation();
    EXPECT_FALSE(view->model().animationPlaying());
    view->startAnimation();
    EXPECT_TRUE(view->model().animationPlaying());
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a", "a"}));
}

}  // namespace
}  // namespace glimora::test
