#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "model/atomic_file.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

std::string contentsOf(const fs::path& file) {
    const auto bytes = readFile(file);
    return {bytes.begin(), bytes.end()};
}

std::size_t entriesIn(const fs::path& folder) {
    return std::size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Stands in for a disk that fills up after `capacity` bytes.
AtomicFile::WriteFunction failingAfter(std::size_t capacity) {
    auto written = std::make_shared<std::size_t>(0);
    return [capacity, written](int fd, const void* data, std::size_t size) -> long {
        if (*written >= capacity) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t now = std::min(size, capacity - *written);
        const long result = long(::write(fd, data, now));
        if (result > 0) *written += std::size_t(result);
        return result;
    };
}

TEST(AtomicFile, CreatesAndReplacesFiles) {
    TempDir dir;
    const fs::path file = dir.path() / "out.json";
    EXPECT_FALSE(AtomicFile::write(file, "first"));
    EXPECT_EQ(contentsOf(file), "first");
    EXPECT_FALSE(AtomicFile::write(file, "second, longer"));
    EXPECT_EQ(contentsOf(file), "second, longer");
    EXPECT_FALSE(AtomicFile::write(file, ""));
    EXPECT_EQ(contentsOf(file), "");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

// A process id that no process has now: a child that has exited and been reaped.
pid_t deadProcessId() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST(AtomicFile, ASuccessfulWriteRemovesTemporariesOfKilledWriters) {
    TempDir dir;
    const fs::path file = dir.path() / "recipes.json";
    const auto temporary = [&](long pid) {
        return dir.path() / (".recipes.json.tmp-" + std::to_string(pid) + "-3-5f3a");
    };
    const fs::path abandoned = temporary(long(deadProcessId()));
    const fs::path ours = temporary(long(::getpid()));
    const fs::path live = temporary(1);  // init runs as long as the machine does
    const fs::path otherFile = dir.path() / (".other.json.tmp-" + std::to_string(long(deadProcessId())) + "-0-1");
    const fs::path lookalike = temporary(long(deadProcessId())).string() + "-copy";
    for (const auto& path : {abandoned, ours, live, otherFile, lookalike}) writeFile(path, "partial");

    EXPECT_FALSE(AtomicFile::write(file, "saved"));
    EXPECT_EQ(contentsOf(file), "saved");
    EXPECT_FALSE(fs::exists(abandoned));
    // In use, or not a temporary of this file: kept.
    EXPECT_TRUE(fs::exists(ours));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(otherFile));
    EXPECT_TRUE(fs::exists(lookalike));
}

TEST(AtomicFile, AFailedWriteLeavesAbandonedTemporariesAlone) {
    TempDir dir;
    const fs::path file = dir.path() / "recipes.json";
    const fs::path abandoned = dir.path() / (".recipes.json.tmp-" + std::to_string(long(deadProcessId())) + "-0-1");
    writeFile(abandoned, "partial");
    EXPECT_TRUE(AtomicFile::write(file, "never whole", failingAfter(4)));
    EXPECT_TRUE(fs::exists(abandoned));
}

TEST(AtomicFile, KeepsThePermissionsOfTheFileItReplaces) {
    TempDir dir;
    const fs::path file = dir.path() / "out.json";
    writeFile(file, "old");
    ::chmod(file.c_str(), 0640);
    ASSERT_FALSE(AtomicFile::write(file, "new"));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(AtomicFile, FailureMidwayLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const fs::path file = dir.path() / "recipes.json";
    writeFile(file, "the old library");
    const std::string replacement(100000, 'x');
    for (std::size_t capacity : {std::size_t(0), std::size_t(1), std::size_t(4096), std::size_t(99999)}) {
        const auto error = AtomicFile::write(file, replacement, failingAfter(capacity));
        ASSERT_TRUE(error) << capacity;
        EXPECT_EQ(error->step, AtomicFile::Error::Step::write);
        EXPECT_EQ(error->code, std::errc::no_space_on_device);
        EXPECT_NE(error->description().find(file.string()), std::string::npos) << error->description();
        EXPECT_EQ(contentsOf(file), "the old library");
        EXPECT_EQ(entriesIn(dir.path()), 1u) << "a temporary file was left behind";
    }
}

// A file made while it is written: pieces land in order, a failing disk
// stops the producer and is reported even if the producer writes on, and a
// producer that gives up leaves the old file and no temporary.
TEST(AtomicFile, StreamedFilesAreWholeOrNotThereAtAll) {
    TempDir dir;
    const fs::path file = dir.path() / "recipes.json";
    writeFile(file, "the old library");
    const std::vector<std::string> pieces = {"[", std::string(5000, 'a'), ",", std::string(7000, 'b'), "]"};
    std::string whole;
    for (const auto& piece : pieces) whole += piece;

    std::vector<bool> accepted;
    const AtomicFile::Producer writeOnRegardless = [&](const AtomicFile::Sink& sink) {
        for (const auto& piece : pieces) accepted.push_back(sink(piece));
    };
    const auto failed = AtomicFile::write(file, writeOnRegardless, failingAfter(5001));
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->step, AtomicFile::Error::Step::write);
    EXPECT_EQ(failed->code, std::errc::no_space_on_device);
    EXPECT_EQ(accepted, (std::vector<bool>{true, true, false, false, false}));
    EXPECT_EQ(contentsOf(file), "the old library");
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "a temporary file was left behind";

    struct GaveUp {};
    const AtomicFile::Producer givingUp = [&](const AtomicFile::Sink& sink) {
        sink(pieces[0]);
        sink(pieces[1]);
        throw GaveUp{};
    };
    EXPECT_THROW(AtomicFile::write(file, givingUp), GaveUp);
    EXPECT_EQ(contentsOf(file), "the old library");
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "a temporary file was left behind";

    accepted.clear();
    EXPECT_FALSE(AtomicFile::write(file, writeOnRegardless));
    EXPECT_EQ(accepted, std::vector<bool>(pieces.size(), true));
    EXPECT_EQ(contentsOf(file), whole);
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicFile, ShortAndInterruptedWritesAreCompleted) {
    TempDir dir;
    const fs::path file = dir.path() / "out.bin";
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += char(i);
    int calls = 0;
    const auto trickle = [&calls](int fd, const void* data, std::size_t size) -> long {
        if (++calls % 5 == 0) {
            errno = EINTR;
            return -1;
        }
        return long(::write(fd, data, std::min<std::size_t>(size, 7)));
    };
    EXPECT_FALSE(AtomicFile::write(file, bytes, trickle));
    EXPECT_EQ(contentsOf(file), bytes);
}

TEST(AtomicFile, AWriteThatMakesNoProgressFailsInsteadOfSpinning) {
    TempDir dir;
    const fs::path file = dir.path() / "out.bin";
    const auto stuck = [](int, const void*, std::size_t) -> long { return 0; };
    const auto error = AtomicFile::write(file, "data", stuck);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->step, AtomicFile::Error::Step::write);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(entriesIn(dir.path()), 0u);
}

TEST(AtomicFile, ReportsAMissingFolderAndATargetThatCannotBeReplaced) {
    TempDir dir;
    const auto missing = AtomicFile::write(dir.path() / "nowhere" / "out.json", "x");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->step, AtomicFile::Error::Step::createTemporary);
    EXPECT_EQ(missing->code, std::errc::no_such_file_or_directory);

    const fs::path folderInTheWay = dir.path() / "out.json";
    fs::create_directories(folderInTheWay / "inside");
    const auto blocked = AtomicFile::write(folderInTheWay, "x");
    ASSERT_TRUE(blocked);
    EXPECT_EQ(blocked->step, AtomicFile::Error::Step::replace);
    EXPECT_TRUE(fs::is_directory(folderInTheWay / "inside"));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

}  // namespace
}  // namespace glimora
