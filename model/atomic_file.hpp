// Replacing a file so that a crash or a full disk at any moment leaves either
// the old file or the new one, never a mixture: the bytes go to a temporary
// file in the same folder, which is flushed to disk, renamed over the target,
// and the folder is flushed so the rename itself survives a power cut.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace glimora {

struct AtomicFile {
    AtomicFile() = delete;

    struct Error {
        enum class Step { createTemporary, write, flush, replace, flushFolder };
        Step step;
        std::error_code code;
        std::filesystem::path file;

        // One sentence for the log, naming the step, the file and the system's reason.
        std::string description() const;
    };

    // Same contract as write(2): bytes written, or -1 with errno set. Tests
    // pass one that fails part-way to stand in for a full or failing disk.
    using WriteFunction = std::function<long(int fd, const void* data, std::size_t size)>;
    // Same contract as open(2), for creating the temporary file: a descriptor,
    // or -1 with errno set. Tests pass one that fails, as a folder the process
    // may not write into does even where permission bits do not stop it (root).
    using OpenFunction = std::function<int(const char* path, int flags, unsigned mode)>;

    // Takes the next piece of the file; false when writing it failed, after
    // which the producer should stop.
    using Sink = std::function<bool(std::string_view piece)>;
    // Hands the file's bytes to the sink in order, piece by piece, so that a
    // large file never has to be held whole. It may throw to abandon the
    // write: the temporary is removed and the exception passes on.
    using Producer = std::function<void(const Sink& sink)>;

    // Replaces (or creates) `file` with `bytes`; nothing on success. On failure
    // before the rename the old file is untouched and the temporary is removed;
    // a failure to flush the folder is reported with the new file in place.
    // A successful write also removes temporaries of `file` left by writers
    // killed before their rename. The folder must exist. An existing file's
    // permission bits are kept; a new file gets 0666 less the umask.
    static std::optional<Error> write(const std::filesystem::path& file, std::string_view bytes,
                                      const WriteFunction& writeFunction = {},
                                      const OpenFunction& openFunction = {});
    // The same with the bytes made while they are written.
    static std::optional<Error> write(const std::filesystem::path& file, const Producer& produce,
                                      const WriteFunction& writeFunction = {},
                                      const OpenFunction& openFunction = {});
};

// Where an unreadable file is kept: "<name>.unreadable-<UTC time>", then
// "-2", "-3"... for later attempts within the same second.
std::filesystem::path unreadableFilePath(const std::filesystem::path& file, int attempt);

// Moves an unreadable file aside to the first free unreadableFilePath, never
// replacing an earlier copy; the new path, or nothing with errno set.
std::optional<std::filesystem::path> moveUnreadableFileAside(const std::filesystem::path& file);

}  // namespace glimora
