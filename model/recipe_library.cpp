#include "model/recipe_library.hpp"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>
#include <system_error>

#include "model/json_text.hpp"
#include "model/recipe_history_stream.hpp"
#include "model/recipe_json.hpp"

namespace glimora {

namespace {

void emit(const LogSink& log, const std::string& line) {
    if (log) log(line);
}

struct FileContents {
    bool missing = false;
    std::optional<std::string> failure;  // why an existing file could not be read
    std::string bytes;
};

std::string systemMessage(int error) { return std::error_code(error, std::generic_category()).message(); }

// The library file opened for reading, or why not.
struct OpenFile {
    int fd = -1;
    bool missing = false;
    std::optional<std::string> failure;

    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

void openLibraryFile(const std::filesystem::path& file, OpenFile& opened) {
    // Non-blocking, so that a FIFO in the file's place cannot hang start-up.
    opened.fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (opened.fd < 0) {
        if (errno == ENOENT) opened.missing = true;
        else opened.failure = systemMessage(errno);
        return;
    }
    struct stat info {};
    if (::fstat(opened.fd, &info) != 0) {
        opened.failure = systemMessage(errno);
    } else if (!S_ISREG(info.st_mode)) {
        opened.failure = "it is not a regular file";
    } else if (std::uint64_t(info.st_size) > recipeHistoryFileSizeLimit) {
        opened.failure = "it is larger than 1 GiB (" + std::to_string(info.st_size) + " bytes)";
    }
}

FileContents readLibraryFile(const std::filesystem::path& file) {
    FileContents contents;
    OpenFile opened;
    openLibraryFile(file, opened);
    contents.missing = opened.missing;
    contents.failure = opened.failure;
    if (opened.fd < 0 || opened.failure) return contents;
    struct stat info {};
    ::fstat(opened.fd, &info);
    contents.bytes.resize(std::size_t(info.st_size));
    std::size_t filled = 0;
    while (true) {
        if (filled == contents.bytes.size()) {
            // The file may have grown since fstat; read on, but never past the limit.
            if (filled > recipeHistoryFileSizeLimit) {
                contents.failure = "it is larger than 1 GiB";
                break;
            }
            contents.bytes.resize(std::min(filled + 65536, recipeHistoryFileSizeLimit + 1));
        }
        const ssize_t n = ::read(opened.fd, contents.bytes.data() + filled, contents.bytes.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            contents.failure = systemMessage(errno);
            break;
        }
        if (n == 0) break;
        filled += std::size_t(n);
    }
    contents.bytes.resize(filled);
    return contents;
}

// Decodes the file as it is read, never holding all of it. Nothing when it
// cannot be read or is not a well-formed array: the whole-text path says why.
std::optional<RecipeHistoryDecoding> streamLibraryFile(const std::filesystem::path& file, bool& missing,
                                                       const LogSink& log) {
    OpenFile opened;
    openLibraryFile(file, opened);
    missing = opened.missing;
    if (opened.fd < 0 || opened.failure) return std::nullopt;
    bool failed = false;
    std::size_t total = 0;
    const RecipeHistoryByteSource source = [&](char* buffer, std::size_t capacity) -> std::size_t {
        while (!failed) {
            const ssize_t n = ::read(opened.fd, buffer, capacity);
            if (n < 0 && errno == EINTR) continue;
            total += n > 0 ? std::size_t(n) : 0;
            if (n < 0 || total > recipeHistoryFileSizeLimit) break;
            return std::size_t(n);
        }
        failed = true;
        return 0;
    };
    // Skip lines are held back until the whole file is known to be readable.
    std::vector<std::string> lines;
    auto decoding = decodeRecipeHistoryStream(source, [&lines](std::string_view line) { lines.emplace_back(line); });
    if (failed || !decoding) return std::nullopt;
    for (const auto& line : lines) emit(log, line);
#ifdef __GLIBC__
    // The photos stay for as long as the program runs; the freed pages of
    // the element texts between them would otherwise stay resident too.
    ::malloc_trim(0);
#endif
    return decoding;
}

void moveAside(const std::filesystem::path& file, const std::string& reason, const LogSink& log) {
    if (const auto aside = moveUnreadableFileAside(file)) {
        emit(log, "Ombriq recipe history could not be read (" + reason + "); moved it to “" + aside->string() + "”");
    } else {
        emit(log, "Ombriq recipe history could not be read (" + reason + ") nor moved aside: " + systemMessage(errno));
    }
}

void copyAside(const std::filesystem::path& file, const std::string& bytes, const LogSink& log) {
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const auto aside = unreadableFilePath(file, attempt);
        std::error_code ignored;
        if (std::filesystem::exists(aside, ignored)) continue;
        if (const auto error = AtomicFile::write(aside, bytes)) {
            emit(log, "Ombriq recipe history could not keep a copy of its unreadable recipes: " +
                          error->description());
        } else {
            // The copy is as private as the library it copies.
            std::filesystem::permissions(aside, std::filesystem::status(file, ignored).permissions(), ignored);
            emit(log, "Ombriq recipe history kept a copy of the file with its unreadable recipes at “" +
                          aside.string() + "”");
        }
        return;
    }
}

}  // namespace

std::string saveFailureLine(const std::string& description) {
    return "Ombriq recipe history could not be saved: " + description;
}

std::optional<std::filesystem::path> recipeHistoryURL(const std::optional<std::filesystem::path>& dataHome) {
    if (!dataHome) return std::nullopt;
    return *dataHome / "Ombriq" / "recipes.json";
}

RecipeHistoryDecoding decodeRecipeHistory(std::string_view bytes, const LogSink& log) {
    if (bytes.size() > recipeHistoryFileSizeLimit)
        throw RecipeCodingError("it is larger than 1 GiB (" + std::to_string(bytes.size()) + " bytes)");
    nlohmann::json document;
    try {
        document = JsonText::parse(bytes);
    } catch (const JsonText::Error& error) {
        throw RecipeCodingError(std::string("it is not valid JSON: ") + error.what());
    }
    if (!document.is_array()) throw RecipeCodingError("it is not a JSON array");

    RecipeHistoryDecoding result;
    auto& elements = document.get_ref<nlohmann::json::array_t&>();
    result.recipes.reserve(std::min(elements.size(), recipeHistoryLimit));
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (result.recipes.size() == recipeHistoryLimit) {
            try {
                recipeFromJson(elements[i]);
            } catch (const RecipeCodingError&) {
                ++result.invalidPastLimit;
            }
            continue;
        }
        try {
            result.recipes.push_back(recipeFromJson(elements[i]));
        } catch (const RecipeCodingError& error) {
            ++result.skipped;
            emit(log, "Ombriq recipe history skipped recipe " + std::to_string(i + 1) + " of " +
                          std::to_string(elements.size()) + ": " + error.what());
        }
    }
    return result;
}

std::vector<DesignRecipe> loadRecipeHistory(const std::optional<std::filesystem::path>& libraryFile,
                                            const LogSink& log, RecipeHistoryAccess access) {
    if (!libraryFile) return {};
    bool missing = false;
    if (auto streamed = streamLibraryFile(*libraryFile, missing, log)) {
        if (streamed->skipped > 0 && access == RecipeHistoryAccess::readWrite) {
            const FileContents contents = readLibraryFile(*libraryFile);
            if (!contents.missing && !contents.failure) copyAside(*libraryFile, contents.bytes, log);
        }
        return std::move(streamed->recipes);
    }
    if (missing) return {};

    FileContents contents = readLibraryFile(*libraryFile);
    if (contents.missing) return {};

    std::optional<std::string> failure = contents.failure;
    RecipeHistoryDecoding decoding;
    if (!failure) {
        try {
            decoding = decodeRecipeHistory(contents.bytes, log);
        } catch (const RecipeCodingError& error) {
            failure = error.what();
        }
    }
    if (failure) {
        if (access == RecipeHistoryAccess::readWrite) moveAside(*libraryFile, *failure, log);
        else emit(log, "Ombriq recipe history could not be read (" + *failure + ")");
        return {};
    }
    if (decoding.skipped > 0 && access == RecipeHistoryAccess::readWrite)
        copyAside(*libraryFile, contents.bytes, log);
    return std::move(decoding.recipes);
}

namespace {

std::string encodeFirstRecipes(const std::vector<DesignRecipe>& recipes) {
    const std::size_t count = std::min(recipes.size(), recipeHistoryLimit);
    return encodeRecipeArray(std::span<const DesignRecipe>(recipes.data(), count));
}

}  // namespace

std::optional<std::string> encodeRecipeHistory(const std::vector<DesignRecipe>& recipes, const LogSink& log) {
    try {
        return encodeFirstRecipes(recipes);
    } catch (const RecipeCodingError& error) {
        emit(log, saveFailureLine(error.what()));
        return std::nullopt;
    }
}

namespace {

std::string tooLargeLine(const std::string& size) {
    return saveFailureLine("the library would be larger than 1 GiB (" + size + " bytes), more than it may be read back");
}

// Abandons a streamed save that has passed the size limit.
struct LibraryTooLarge {
    std::size_t bytesSoFar;
};

}  // namespace

bool writeRecipeHistoryFile(const std::optional<std::filesystem::path>& libraryFile, const std::string& bytes,
                            const LogSink& log, const AtomicFile::WriteFunction& writeFunction,
                            const AtomicFile::OpenFunction& openFunction) {
    if (!libraryFile) return true;
    if (bytes.size() > recipeHistoryFileSizeLimit) {
        emit(log, tooLargeLine(std::to_string(bytes.size())));
        return false;
    }
    return writeRecipeHistoryFile(
        libraryFile, [&bytes](const AtomicFile::Sink& sink) { sink(bytes); }, log, writeFunction, openFunction);
}

bool writeRecipeHistoryFile(const std::optional<std::filesystem::path>& libraryFile,
                            const AtomicFile::Producer& produce, const LogSink& log,
                            const AtomicFile::WriteFunction& writeFunction,
                            const AtomicFile::OpenFunction& openFunction) {
    if (!libraryFile) return true;
    const auto folder = libraryFile->parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        emit(log, saveFailureLine("Could not create the folder “" + folder.string() + "”: " + error.message()));
        return false;
    }
    std::size_t total = 0;
    const auto capped = [&](const AtomicFile::Sink& sink) {
        produce([&](std::string_view piece) {
            total += piece.size();
            if (total > recipeHistoryFileSizeLimit) throw LibraryTooLarge{total};
            return sink(piece);
        });
    };
    std::optional<AtomicFile::Error> failure;
    try {
        failure = AtomicFile::write(*libraryFile, capped, writeFunction, openFunction);
    } catch (const LibraryTooLarge& tooLarge) {
        emit(log, tooLargeLine("more than " + std::to_string(tooLarge.bytesSoFar)));
        return false;
    }
    if (failure) {
        emit(log, saveFailureLine(failure->description()));
        return false;
    }
    return true;
}

bool saveRecipeHistory(const std::vector<DesignRecipe>& recipes,
                       const std::optional<std::filesystem::path>& libraryFile, const LogSink& log,
                       const AtomicFile::WriteFunction& writeFunction,
                       const AtomicFile::OpenFunction& openFunction) {
    if (!libraryFile) return true;
    const auto bytes = encodeRecipeHistory(recipes, log);
    if (!bytes) return false;
    return writeRecipeHistoryFile(libraryFile, *bytes, log, writeFunction, openFunction);
}

}  // namespace glimora
