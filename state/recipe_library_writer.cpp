#include "state/recipe_library_writer.hpp"

#include <algorithm>

#include "model/recipe_json.hpp"
#include "model/recipe_library.hpp"

namespace glimora {

const std::optional<SharedBytes>& RecipeLibraryWriter::PhotoPng::bytes() const {
    std::call_once(once_, [this] {
        bytes_ = buffer_.pngData();
        ready_.store(true, std::memory_order_release);
    });
    return bytes_;
}

bool RecipeLibraryWriter::PhotoPng::isReady() const { return ready_.load(std::memory_order_acquire); }

RecipeLibraryWriter::Entry::Entry(DesignRecipe recipe, std::shared_ptr<const PhotoPng> photo)
    : recipe_(std::move(recipe)), photo_(std::move(photo)) {}

bool RecipeLibraryWriter::Entry::writeText(const AtomicFile::Sink& sink) const {
    std::string document;
    if (photo_ && recipe_.image && !recipe_.image->pngData) {
        // A copy shares the other bytes; the entry itself stays as handed over.
        DesignRecipe recipe = recipe_;
        recipe.image->pngData = photo_->bytes();
        document = encodeRecipeDocument(recipe);
    } else {
        document = encodeRecipeDocument(recipe_);
    }
    // Strings escape their line breaks, so every raw one is layout: each
    // gets the two spaces of an array element.
    const std::string_view text = document;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) return sink(text.substr(start));
        if (!sink(text.substr(start, end + 1 - start)) || !sink("  ")) return false;
        start = end + 1;
    }
}

struct RecipeLibraryWriter::Queue {
    std::filesystem::path file;
    // Weak: the scheduler holds the background task, which holds this queue.
    std::weak_ptr<Scheduler> scheduler;
    AtomicFile::WriteFunction writeFunction;

    std::mutex mutex;
    struct Job {
        std::vector<EntryRef> entries;
        Completion completion;
    };
    std::optional<Job> pending;
    // A background task is queued or running; it takes every pending job in turn.
    bool draining = false;
};

RecipeLibraryWriter::RecipeLibraryWriter(std::optional<std::filesystem::path> file,
                                         std::shared_ptr<Scheduler> scheduler,
                                         AtomicFile::WriteFunction writeFunction)
    : file_(std::move(file)), scheduler_(std::move(scheduler)) {
    if (!file_) return;
    queue_ = std::make_shared<Queue>();
    queue_->file = *file_;
    queue_->scheduler = scheduler_;
    queue_->writeFunction = std::move(writeFunction);
}

RecipeLibraryWriter::~RecipeLibraryWriter() = default;

void RecipeLibraryWriter::writeLibraryText(std::span<const EntryRef> entries, const AtomicFile::Sink& sink) {
    const std::size_t count = std::min(entries.size(), recipeHistoryLimit);
    if (count == 0) {
        sink("[]");
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        if (!sink(i == 0 ? "[\n  " : ",\n  ") || !entries[i]->writeText(sink)) return;
    sink("\n]");
}

std::string RecipeLibraryWriter::libraryText(std::span<const EntryRef> entries) {
    std::string text;
    writeLibraryText(entries, [&text](std::string_view piece) {
        text += piece;
        return true;
    });
    return text;
}

RecipeLibraryWriter::Outcome RecipeLibraryWriter::write(const std::filesystem::path& file,
                                                        std::span<const EntryRef> entries,
                                                        const AtomicFile::WriteFunction& writeFunction) {
    Outcome outcome;
    const LogSink log = [&outcome](std::string_view line) { outcome.logLines.emplace_back(line); };
    try {
        outcome.saved = writeRecipeHistoryFile(
            file, [entries](const AtomicFile::Sink& sink) { writeLibraryText(entries, sink); }, log, writeFunction);
    } catch (const RecipeCodingError& error) {
        log(saveFailureLine(error.what()));
        outcome.saved = false;
    }
    return outcome;
}

std::optional<RecipeLibraryWriter::Outcome> RecipeLibraryWriter::save(std::vector<EntryRef> entries,
                                                                      Completion completion) {
    if (!file_) return Outcome{};
    if (entries.size() > recipeHistoryLimit) entries.resize(recipeHistoryLimit);
    if (!scheduler_) return write(queue_->file, entries, queue_->writeFunction);

    bool startTask = false;
    {
        const std::lock_guard lock(queue_->mutex);
        queue_->pending = Queue::Job{std::move(entries), std::move(completion)};
        if (!queue_->draining) queue_->draining = startTask = true;
    }
    if (startTask) scheduler_->background([queue = queue_] { drain(queue); });
    return std::nullopt;
}

void RecipeLibraryWriter::drain(const std::shared_ptr<Queue>& queue) {
    for (;;) {
        Queue::Job job;
        {
            const std::lock_guard lock(queue->mutex);
            if (!queue->pending) {
                queue->draining = false;
                return;
            }
            job = std::move(*queue->pending);
            queue->pending.reset();
        }
        Outcome outcome = write(queue->file, job.entries, queue->writeFunction);
        const auto scheduler = queue->scheduler.lock();
        if (job.completion && scheduler)
            scheduler->post([completion = std::move(job.completion), outcome = std::move(outcome)]() mutable {
                completion(std::move(outcome));
            });
    }
}

}  // namespace glimora
