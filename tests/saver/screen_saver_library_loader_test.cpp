// The library read on its own thread: recipes handed over one by one while
// the file is still being read, candidates tried in order, a quick stop.
#include "saver/screen_saver_library_loader.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "model/recipe_library.hpp"
#include "saver/screen_saver_library.hpp"
#include "tests/saver/saver_fixtures.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora::test {
namespace {

using Kind = ScreenSaverLibraryEvent::Kind;

// A gate the test opens: the reader waits at it.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    void release() {
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        changed.notify_all();
    }
    // False when `cancelled` came first.
    bool pass(const std::atomic<bool>& cancelled) {
        std::unique_lock lock(mutex);
        while (!open && !cancelled) changed.wait_for(lock, std::chrono::milliseconds(5));
        return open;
    }
};

// Waits (up to 10 s) until the events so far end with `last`, and returns all of them.
std::vector<ScreenSaverLibraryEvent> collectUntil(ScreenSaverLibraryLoader& loader, Kind last) {
    std::vector<ScreenSaverLibraryEvent> all;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        loader.waitForEvents(0.05);
        for (auto& event : loader.take()) all.push_back(std::move(event));
        if (!all.empty() && all.back().kind == last) break;
    }
    return all;
}

std::string describe(const std::vector<ScreenSaverLibraryEvent>& events) {
    std::string text;
    for (const auto& event : events) {
        if (!text.empty()) text += " ";
        switch (event.kind) {
        case Kind::recipe: text += event.recipe->name; break;
        case Kind::discarded: text += "<dropped>"; break;
        case Kind::finished: text += "<end>"; break;
        }
    }
    return text;
}

TEST(SaverLibraryLoader, TheFirstRecipeArrivesWhileTheReaderIsStillBusy) {
    Gate gate;
    std::atomic<int> wakes{0};
    ScreenSaverLibraryLoader loader(
        {"library.json"},
        [&gate](const std::filesystem::path&, const RecipeHistorySink& sink, const std::atomic<bool>& cancelled) {
            sink(gradientRecipe("first", 20));
            if (!gate.pass(cancelled)) return LibraryCandidateReading::unreadable;
            sink(gradientRecipe("second", 30));
            return LibraryCandidateReading::whole;
        },
        [&wakes] { ++wakes; });
    auto early = collectUntil(loader, Kind::recipe);
    EXPECT_EQ(describe(early), "first");
    EXPECT_FALSE(loader.finished());
    // The wake follows the event's hand-over, so it may come a moment later.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (wakes.load() < 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(wakes.load(), 1) << "the host is woken for the first recipe";

    gate.release();
    EXPECT_EQ(describe(collectUntil(loader, Kind::finished)), "second <end>");
    EXPECT_TRUE(loader.finished());
}

TEST(SaverLibraryLoader, TheSessionShowsTheFirstRecipeBeforeTheReadEnds) {
    Gate gate;
    ScreenSaverLibraryLoader loader(
        {"library.json"},
        [&gate](const std::filesystem::path&, const RecipeHistorySink& sink, const std::atomic<bool>& cancelled) {
            sink(gradientRecipe("first", 20));
            if (!gate.pass(cancelled)) return LibraryCandidateReading::unreadable;
            sink(gradientRecipe("second", 30, true));
            return LibraryCandidateReading::whole;
        },
        {});
    SaverHarness h;
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    deliverLibraryEvents(*view, collectUntil(loader, Kind::recipe));
    EXPECT_EQ(view->model().angle(), 20);
    EXPECT_TRUE(view->libraryLoading());
    gate.release();
    deliverLibraryEvents(*view, collectUntil(loader, Kind::finished));
    EXPECT_FALSE(view->libraryLoading());
    EXPECT_EQ(view->recipes().size(), 2u);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"first"}));
}

TEST(SaverLibraryLoader, ALibraryAlreadyWholeOpensWithTheShuffledPick) {
    SaverHarness h;
    auto view = h.makeWaitingForLibrary();
    view->startAnimation();
    std::vector<ScreenSaverLibraryEvent> events;
    for (int i = 0; i < 3; ++i)
        events.push_back({Kind::recipe, gradientRecipe(std::string(1, char('a' + i)), 20 + 10 * i)});
    events.push_back({Kind::finished, std::nullopt});
    h.random->queueDraws({2, 0});  // the order 2,1,0
    deliverLibraryEvents(*view, std::move(events));
    EXPECT_EQ(view->recipeOrder(), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(h.applied, (std::vector<std::string>{"c"}));
    EXPECT_EQ(view->model().angle(), 40);
}

TEST(SaverLibraryLoader, AFileThatBreaksHalfwayIsDroppedForTheNext) {
    TempDir temp;
    const auto broken = temp.path() / "broken.json", good = temp.path() / "good.json",
               unused = temp.path() / "unused.json";
    std::string text = *encodeRecipeHistory({gradientRecipe("early", 20), gradientRecipe("lost", 30)});
    // Cut inside the second element: the first decodes before the break is seen.
    writeFile(broken, text.substr(0, text.find("lost")));
    writeFile(good, *encodeRecipeHistory({gradientRecipe("good", 40), gradientRecipe("also good", 50)}));
    writeFile(unused, *encodeRecipeHistory({gradientRecipe("unused", 60)}));
    ScreenSaverLibraryLoader loader({temp.path() / "missing.json", broken, good, unused}, readLibraryCandidate, {});
    EXPECT_EQ(describe(collectUntil(loader, Kind::finished)), "early <dropped> good also good <end>");
}

// Cut in at the end: the valid recipes are handed over before the bad
// element shows the file damaged.
std::string damagedLate(const std::vector<DesignRecipe>& valid) {
    auto elements = nlohmann::json::parse(*encodeRecipeHistory(valid));
    auto bad = elements.back();
    bad["angle"] = "steep";
    elements.push_back(bad);
    return elements.dump();
}

// Each event handed over on its own, as when the host wakes for every one.
void deliverOneByOne(OmbriqScreenSaverView& view, std::vector<ScreenSaverLibraryEvent> events) {
    for (auto& event : events) {
        std::vector<ScreenSaverLibraryEvent> one;
        one.push_back(std::move(event));
        deliverLibraryEvents(view, std::move(one));
    }
}

TEST(SaverLibraryLoader, WithNoSoundCopyTheDamagedOnesRecipesComeBackAndStayOnScreen) {
    TempDir temp;
    const auto sandboxed = temp.path() / "sandboxed.json", own = temp.path() / "own.json";
    writeFile(sandboxed, damagedLate({gradientRecipe("a", 20), gradientRecipe("b", 30)}));
    writeFile(own, "{ not json");
    // However the host happens to take the events, "a" stays on screen and
    // is not applied again (its animation runs on), and both are cycled.
    for (const bool oneByOne : {true, false}) {
        SCOPED_TRACE(oneByOne ? "one by one" : "the first alone, then the rest at once");
        ScreenSaverLibraryLoader loader({sandboxed, own}, readLibraryCandidate, {});
        auto events = collectUntil(loader, Kind::finished);
        EXPECT_EQ(describe(events), "a b <dropped> a b <end>");
        SaverHarness h;
        auto view = h.makeWaitingForLibrary();
        view->startAnimation();
        if (oneByOne) {
            deliverOneByOne(*view, std::move(events));
        } else {
            deliverOneByOne(*view, {events.front()});
            deliverLibraryEvents(*view, std::vector<ScreenSaverLibraryEvent>(events.begin() + 1, events.end()));
        }
        ASSERT_EQ(view->recipes().size(), 2u);
        EXPECT_EQ(h.applied, (std::vector<std::string>{"a"}));
        EXPECT_EQ(view->currentRecipe()->name, "a");
        view->advanceRecipe();
        EXPECT_EQ(h.applied, (std::vector<std::string>{"a", "b"}));
    }
}

TEST(SaverLibraryLoader, NothingReadableEndsWithAnEmptyLibrary) {
    TempDir temp;
    writeFile(temp.path() / "a.json", "not json");
    ScreenSaverLibraryLoader loader({temp.path() / "a.json", temp.path() / "b.json"}, readLibraryCandidate, {});
    EXPECT_EQ(describe(collectUntil(loader, Kind::finished)), "<end>");
}

TEST(SaverLibraryLoader, GoingAwayStopsABusyReaderAtOnce) {
    // The loader goes only once its reader runs: gone before, it would never
    // start the reader at all.
    std::atomic<bool> started{false};
    std::atomic<bool> sawCancel{false};
    {
        ScreenSaverLibraryLoader loader(
            {"library.json"},
            [&](const std::filesystem::path&, const RecipeHistorySink&, const std::atomic<bool>& cancelled) {
                started = true;
                // Without the cancel it would read on for far longer than the test waits.
                const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (!cancelled && std::chrono::steady_clock::now() < giveUp)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                sawCancel = cancelled.load();
                return LibraryCandidateReading::unreadable;
            },
            {});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!started && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(started) << "the reader never ran";
    }
    EXPECT_TRUE(sawCancel) << "the reader ran on until it gave up by itself";
}

TEST(SaverLibraryLoader, TheFileReaderGivesUpOnceCancelled) {
    TempDir temp;
    std::vector<DesignRecipe> recipes;
    for (int i = 0; i < 3; ++i) recipes.push_back(gradientRecipe("r" + std::to_string(i), 20 + i));
    writeFile(temp.path() / "library.json", *encodeRecipeHistory(recipes));
    std::atomic<bool> cancelled{false};
    int given = 0;
    const auto count = [&given](DesignRecipe&&) { ++given; };
    EXPECT_EQ(readLibraryCandidate(temp.path() / "library.json", count, cancelled), LibraryCandidateReading::whole);
    EXPECT_EQ(given, 3);
    cancelled = true;
    given = 0;
    EXPECT_EQ(readLibraryCandidate(temp.path() / "library.json", count, cancelled),
              LibraryCandidateReading::unreadable);
    EXPECT_EQ(given, 0);
}

}  // namespace
}  // namespace glimora::test
