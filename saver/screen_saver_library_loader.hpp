// Reading the library on a thread of its own, handing each recipe over as
// soon as it is decoded: with 36 photo recipes the file is hundreds of
// megabytes, and the first picture should not wait for the last byte.
#pragma once

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "model/design_recipe.hpp"
#include "model/recipe_history_stream.hpp"
#include "saver/screen_saver_library.hpp"

namespace glimora {

class OmbriqScreenSaverView;

struct ScreenSaverLibraryEvent {
    enum class Kind {
        recipe,     // the next recipe of the file being read
        discarded,  // that file is no library after all: forget its recipes
        finished,   // the library is complete (possibly empty)
    };
    Kind kind;
    std::optional<DesignRecipe> recipe;
};

// The library chosen by chooseLibrary, its recipes handed over as they are
// read: a file found damaged, however late, is discarded like an unreadable
// one, and the recipes of the one chosen in its place come again before the
// end.
class ScreenSaverLibraryLoader {
public:
    // `wake` is called on the loader's thread whenever events are waiting.
    ScreenSaverLibraryLoader(std::vector<std::filesystem::path> candidates, LibraryCandidateReader reader,
                             std::function<void()> wake);
    // Stops the reading and waits for the thread: quickly, since the reader
    // checks for cancellation between pieces of the file.
    ~ScreenSaverLibraryLoader();
    ScreenSaverLibraryLoader(const ScreenSaverLibraryLoader&) = delete;
    ScreenSaverLibraryLoader& operator=(const ScreenSaverLibraryLoader&) = delete;

    // The events so far, in order; each is given once.
    std::vector<ScreenSaverLibraryEvent> take();
    // Waits up to `seconds` for an event; true when one is waiting.
    bool waitForEvents(double seconds);
    bool finished() const { return finished_; }

private:
    void push(ScreenSaverLibraryEvent event);
    void run();

    std::vector<std::filesystem::path> candidates_;
    LibraryCandidateReader reader_;
    std::function<void()> wake_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<ScreenSaverLibraryEvent> events_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// Hands the events to the view, in order. When they end with the library's
// end, none of them is shown on arrival: the view's shuffle picks the first.
void deliverLibraryEvents(OmbriqScreenSaverView& view, std::vector<ScreenSaverLibraryEvent> events);

}  // namespace glimora
