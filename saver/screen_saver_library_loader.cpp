#include "saver/screen_saver_library_loader.hpp"

#include <chrono>

#include "saver/ombriq_screen_saver_view.hpp"

namespace glimora {

ScreenSaverLibraryLoader::ScreenSaverLibraryLoader(std::vector<std::filesystem::path> candidates,
                                                   LibraryCandidateReader reader, std::function<void()> wake)
    : candidates_(std::move(candidates)), reader_(std::move(reader)), wake_(std::move(wake)) {
    thread_ = std::thread([this] { run(); });
}

ScreenSaverLibraryLoader::~ScreenSaverLibraryLoader() {
    cancelled_ = true;
    thread_.join();
}

void ScreenSaverLibraryLoader::push(ScreenSaverLibraryEvent event) {
    {
        const std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    arrived_.notify_all();
    if (wake_) wake_();
}

void ScreenSaverLibraryLoader::run() {
    const bool chosen = chooseLibrary(
        candidates_, reader_,
        {[this](DesignRecipe&& recipe) { push({ScreenSaverLibraryEvent::Kind::recipe, std::move(recipe)}); },
         [this] { push({ScreenSaverLibraryEvent::Kind::discarded, std::nullopt}); }},
        cancelled_);
    if (!chosen) return;
    finished_ = true;
    push({ScreenSaverLibraryEvent::Kind::finished, std::nullopt});
}

std::vector<ScreenSaverLibraryEvent> ScreenSaverLibraryLoader::take() {
    const std::lock_guard lock(mutex_);
    return std::exchange(events_, {});
}

bool ScreenSaverLibraryLoader::waitForEvents(double seconds) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return !events_.empty(); });
}

void deliverLibraryEvents(OmbriqScreenSaverView& view, std::vector<ScreenSaverLibraryEvent> events) {
    // A library that is already whole (any small one) starts with a shuffled
    // pick, not with the file's first recipe.
    const bool whole = !events.empty() && events.back().kind == ScreenSaverLibraryEvent::Kind::finished;
    for (auto& event : events) switch (event.kind) {
        case ScreenSaverLibraryEvent::Kind::recipe:
            view.libraryRecipeArrived(std::move(*event.recipe), !whole);
            break;
        case ScreenSaverLibraryEvent::Kind::discarded: view.libraryDiscarded(); break;
        case ScreenSaverLibraryEvent::Kind::finished: view.libraryFinished(); break;
        }
}

}  // namespace glimora
