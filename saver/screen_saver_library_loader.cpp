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
    // The first damaged file's valid recipes, shown when no file is whole.
    std::optional<std::vector<DesignRecipe>> fallback;
    bool whole = false;
    for (const auto& candidate : candidates_) {
        if (cancelled_) return;
        bool gaveAny = false;
        // Whether the file is damaged shows only at its end: keep copies
        // while no fallback is chosen (cheap, as photos are shared bytes).
        const bool keep = !fallback;
        std::vector<DesignRecipe> kept;
        auto reading = LibraryCandidateReading::unreadable;
        try {
            reading = reader_(
                candidate,
                [&](DesignRecipe&& recipe) {
                    gaveAny = true;
                    if (keep) kept.push_back(recipe);
                    push({ScreenSaverLibraryEvent::Kind::recipe, std::move(recipe)});
                },
                cancelled_);
        } catch (const std::exception&) {
            // No memory for it: as if it did not decode.
            reading = LibraryCandidateReading::unreadable;
        }
        if (cancelled_) return;
        if (reading == LibraryCandidateReading::whole) {
            whole = true;
            break;
        }
        if (gaveAny) push({ScreenSaverLibraryEvent::Kind::discarded, std::nullopt});
        if (reading == LibraryCandidateReading::damaged && keep && !kept.empty()) fallback = std::move(kept);
    }
    if (!whole && fallback)
        for (auto& recipe : *fallback) push({ScreenSaverLibraryEvent::Kind::recipe, std::move(recipe)});
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
