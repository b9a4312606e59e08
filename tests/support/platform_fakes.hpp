// Stand-ins for the desktop services: clocks and schedulers moved by hand,
// scripted random draws, and dialogs, clipboard, logger and preferences that
// record what they were asked.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/bookmarks.hpp"
#include "platform/clipboard.hpp"
#include "platform/clock.hpp"
#include "platform/file_dialogs.hpp"
#include "platform/logger.hpp"
#include "platform/preferences.hpp"
#include "platform/random.hpp"
#include "platform/scheduler.hpp"

namespace glimora::test {

class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 700'000'000) : now_(start) {}
    double now() const override { return now_; }
    void set(double seconds) { now_ = seconds; }
    void advance(double seconds) { now_ += seconds; }

private:
    double now_;
};

// Raw 64-bit values and uniform draws, handed out in the order queued. Once
// a queue is empty, values come from a fixed counter so tests that do not
// care still run the same way every time.
class ScriptedRandom final : public Random {
public:
    void queueRaw(std::initializer_list<std::uint64_t> values) { raw_.insert(raw_.end(), values); }
    void queueDraws(std::initializer_list<std::uint64_t> values) { draws_.insert(draws_.end(), values); }

    void fill(std::span<std::uint8_t> bytes) override {
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(counter_++ * 37 + 11);
    }
    std::uint64_t next64() override {
        if (raw_.empty()) return Random::next64();
        const auto value = raw_.front();
        raw_.pop_front();
        return value;
    }
    std::uint64_t uniform(std::uint64_t upperBound) override {
        if (draws_.empty()) return Random::uniform(upperBound);
        const auto value = draws_.front();
        draws_.pop_front();
        if (value >= upperBound) throw std::logic_error("scripted draw out of range");
        return value;
    }
    std::size_t pendingDraws() const { return draws_.size(); }
    std::size_t pendingRaw() const { return raw_.size(); }

private:
    std::deque<std::uint64_t> raw_;
    std::deque<std::uint64_t> draws_;
    std::uint64_t counter_ = 0;
};

// Nothing runs until the test says so: posted and background work wait in
// queues, delayed work waits for advance().
class ManualScheduler final : public Scheduler {
public:
    void post(std::function<void()> work) override { posted_.push_back(std::move(work)); }
    void background(std::function<void()> work) override { background_.push_back(std::move(work)); }

    void runBackground() {
        while (!background_.empty()) {
            auto work = std::move(background_.front());
            background_.pop_front();
            work();
        }
    }
    void runPosted() {
        while (!posted_.empty()) {
            auto work = std::move(posted_.front());
            posted_.pop_front();
            work();
        }
    }
    void runUntilIdle() {
        while (!background_.empty() || !posted_.empty()) {
            runBackground();
            runPosted();
        }
    }

    // Moves time on, running each delayed piece of work that falls due, in
    // order of due time, then of scheduling.
    void advance(double seconds) {
        const double target = now_ + seconds;
        for (;;) {
            auto next = std::min_element(delayed_.begin(), delayed_.end(), [](const auto& a, const auto& b) {
                return a.due != b.due ? a.due < b.due : a.order < b.order;
            });
            if (next == delayed_.end() || next->due > target) break;
            now_ = next->due;
            auto work = std::move(next->work);
            delayed_.erase(next);
            ++delayedRun_;
            work();
        }
        now_ = target;
    }

    std::size_t pendingPosted() const { return posted_.size(); }
    std::size_t pendingBackground() const { return background_.size(); }
    std::size_t pendingDelayed() const { return delayed_.size(); }
    // Delayed entries taken off the queue (their cancelled ones do nothing).
    std::size_t delayedRun() const { return delayedRun_; }
    std::vector<double> delays() const {
        std::vector<double> result;
        for (const auto& entry : delayed_) result.push_back(entry.due - entry.scheduledAt);
        return result;
    }

protected:
    void postAfter(double seconds, std::function<void()> work) override {
        delayed_.push_back({now_ + seconds, now_, order_++, std::move(work)});
    }

private:
    struct Delayed {
        double due;
        double scheduledAt;
        std::uint64_t order;
        std::function<void()> work;
    };
    std::deque<std::function<void()>> posted_;
    std::deque<std::function<void()>> background_;
    std::vector<Delayed> delayed_;
    double now_ = 0;
    std::uint64_t order_ = 0;
    std::size_t delayedRun_ = 0;
};

// Keeps each request; the test answers it with complete...().
class RecordingFileDialogs final : public FileDialogs {
public:
    void open(const OpenOptions& options, OpenCompletion completion) override {
        openRequests.push_back(options);
        openCompletions.push_back(std::move(completion));
    }
    void save(const SaveOptions& options, SaveCompletion completion) override {
        saveRequests.push_back(options);
        saveCompletions.push_back(std::move(completion));
    }
    void completeOpen(std::vector<std::filesystem::path> paths) {
        auto completion = std::move(openCompletions.front());
        openCompletions.pop_front();
        completion(std::move(paths));
    }
    void completeSave(std::optional<std::filesystem::path> path) {
        auto completion = std::move(saveCompletions.front());
        saveCompletions.pop_front();
        completion(std::move(path));
    }

    std::vector<OpenOptions> openRequests;
    std::vector<SaveOptions> saveRequests;
    std::deque<OpenCompletion> openCompletions;
    std::deque<SaveCompletion> saveCompletions;
};

class RecordingClipboard final : public Clipboard {
public:
    void setPngData(std::vector<std::uint8_t> png) override { items.push_back(std::move(png)); }
    std::vector<std::vector<std::uint8_t>> items;
};

class RecordingLogger final : public Logger {
public:
    void log(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

// In-memory preferences that also list every key written, in order.
class RecordingPreferences final : public MemoryPreferences {
public:
    using MemoryPreferences::MemoryPreferences;
    void setValue(std::string_view key, nlohmann::json value) override {
        writes.emplace_back(key);
        MemoryPreferences::setValue(key, std::move(value));
    }
    std::vector<std::string> writes;
};

// Bookmarks whose resolution the test decides.
class FakeBookmarks final : public Bookmarks {
public:
    std::optional<std::string> bookmarkData(const std::filesystem::path& folder) const override {
        made.push_back(folder);
        if (failCreation) return std::nullopt;
        return "fresh:" + folder.string();
    }
    std::optional<Resolved> resolve(const std::string& data) const override {
        const auto found = resolutions.find(data);
        if (found == resolutions.end()) return std::nullopt;
        return found->second;
    }

    std::map<std::string, Resolved> resolutions;
    bool failCreation = false;
    mutable std::vector<std::filesystem::path> made;
};

}  // namespace glimora::test
