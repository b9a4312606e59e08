#include "model/atomic_file.hpp"

#include <stdio.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "model/iso_date.hpp"

namespace glimora {

namespace {

using Step = AtomicFile::Error::Step;

std::error_code lastError() { return {errno, std::generic_category()}; }

std::filesystem::path folderOf(const std::filesystem::path& file) {
    const auto parent = file.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

// A name no other writer picks: process id, a per-process counter and the clock.
std::filesystem::path temporaryName(const std::filesystem::path& file) {
    static std::atomic<unsigned long> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%lu-%llx", long(::getpid()), counter.fetch_add(1),
                  static_cast<unsigned long long>(ticks) & 0xFFFFFFull);
    std::string name(".");
    name += file.filename().string();
    name += suffix;
    return folderOf(file) / name;
}

// Temporaries of `file` left by writers that died before their rename (a
// kill, a power cut): named as temporaryName makes them, by a process that no
// longer runs. Temporaries of this process and of live ones are in use.
void removeAbandonedTemporaries(const std::filesystem::path& file) {
    const std::string prefix = "." + file.filename().string() + ".tmp-";
    std::error_code error;
    std::filesystem::directory_iterator entries(folderOf(file), error);
    if (error) return;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        long pid = 0;
        int used = 0;
        if (std::sscanf(name.c_str() + prefix.size(), "%ld-%*lu-%*llx%n", &pid, &used) != 1 || pid <= 0 ||
            name.size() != prefix.size() + std::size_t(used))
            continue;
        if (pid == long(::getpid())) continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        std::filesystem::remove(entry.path(), ignored);
    }
}

long systemWrite(int fd, const void* data, std::size_t size) { return long(::write(fd, data, size)); }

class TemporaryFile {
public:
    TemporaryFile(const std::filesystem::path& target, const AtomicFile::OpenFunction& openFunction) {
        constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = temporaryName(target);
            fd_ = openFunction ? openFunction(path_.c_str(), flags, 0666) : ::open(path_.c_str(), flags, 0666);
            if (fd_ >= 0 || errno != EEXIST) break;
        }
        if (fd_ < 0) error_ = lastError();
        created_ = fd_ >= 0;
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (created_ && !kept_) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    std::error_code error() const { return error_; }
    const std::filesystem::path& path() const { return path_; }

    // Closes the descriptor; close can report a write-back failure.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    void keep() { kept_ = true; }

private:
    std::filesystem::path path_;
    int fd_ = -1;
    std::error_code error_;
    bool created_ = false;
    bool kept_ = false;
};

bool writeAll(int fd, std::string_view bytes, const AtomicFile::WriteFunction& writeFunction) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const long written = writeFunction ? writeFunction(fd, p, left) : systemWrite(fd, p, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            // A write that makes no progress would loop for ever.
            errno = EIO;
            return false;
        }
        p += written;
        left -= std::size_t(written);
    }
    return true;
}

std::optional<std::error_code> flushFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return lastError();
    std::optional<std::error_code> failure;
    // Some file systems cannot flush a folder at all; that is not a failed save.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP) failure = lastError();
    ::close(fd);
    return failure;
}

}  // namespace

std::string AtomicFile::Error::description() const {
    std::string what;
    switch (step) {
    case Step::createTemporary: what = "Could not create a temporary file next to “"; break;
    case Step::write: what = "Could not write “"; break;
    case Step::flush: what = "Could not flush to disk “"; break;
    case Step::replace: what = "Could not replace “"; break;
    case Step::flushFolder: what = "Could not flush to disk the folder of “"; break;
    }
    return what + file.string() + "”: " + code.message();
}

std::optional<AtomicFile::Error> AtomicFile::write(const std::filesystem::path& file, std::string_view bytes,
                                                   const WriteFunction& writeFunction,
                                                   const OpenFunction& openFunction) {
    return write(file, [bytes](const Sink& sink) { sink(bytes); }, writeFunction, openFunction);
}

std::optional<AtomicFile::Error> AtomicFile::write(const std::filesystem::path& file, const Producer& produce,
                                                   const WriteFunction& writeFunction,
                                                   const OpenFunction& openFunction) {
    TemporaryFile temporary(file, openFunction);
    if (!temporary.isOpen()) return Error{Step::createTemporary, temporary.error(), file};

    struct stat existing {};
    if (::stat(file.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        (void)::fchmod(temporary.fd(), existing.st_mode & 07777);

    // The first failure is kept: a producer that writes on regardless must
    // not turn it into a success, nor its errno into another one.
    std::optional<std::error_code> writeFailure;
    produce([&](std::string_view piece) {
        if (writeFailure) return false;
        if (!writeAll(temporary.fd(), piece, writeFunction)) writeFailure = lastError();
        return !writeFailure;
    });
    if (writeFailure) return Error{Step::write, *writeFailure, file};
    if (::fsync(temporary.fd()) != 0) return Error{Step::flush, lastError(), file};
    if (!temporary.close()) return Error{Step::flush, lastError(), file};
    if (::rename(temporary.path().c_str(), file.c_str()) != 0) return Error{Step::replace, lastError(), file};
    temporary.keep();
    removeAbandonedTemporaries(file);
    if (const auto failure = flushFolder(folderOf(file))) return Error{Step::flushFolder, *failure, file};
    return std::nullopt;
}

std::filesystem::path unreadableFilePath(const std::filesystem::path& file, int attempt) {
    const auto now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::string name = file.filename().string() + ".unreadable-" +
                       compactIsoDateText(now - unixTimeOfReferenceDate).value_or("unknown-time");
    if (attempt > 1) {
        name += '-';
        name += std::to_string(attempt);
    }
    return file.parent_path() / name;
}

std::optional<std::filesystem::path> moveUnreadableFileAside(const std::filesystem::path& file) {
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const auto aside = unreadableFilePath(file, attempt);
        // RENAME_NOREPLACE where the file system offers it, else a check just before the rename.
        int result = ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            std::error_code ignored;
            if (std::filesystem::exists(aside, ignored)) {
                errno = EEXIST;
            } else {
                result = ::rename(file.c_str(), aside.c_str());
            }
        }
        if (result == 0) return aside;
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace glimora
