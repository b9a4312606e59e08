// The preferences file is read at every start: any bytes either load as an
// object of settings (with a log line when numbers too large for a double
// were left out) or are moved aside with a log line, leaving an empty
// store. Whatever loaded is written back by the next change and reads back
// the same after a restart.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include "platform/file_preferences.hpp"
#include "tests/fuzz/fuzz_check.hpp"

namespace {

class CountingLogger final : public glimora::Logger {
public:
    void log(std::string_view line) override {
        ++lines;
        last = line;
    }
    int lines = 0;
    std::string last;
};

// Removed by its own destructor: a handler registered with atexit() from
// inside the initialiser would run after the path was destroyed.
struct WorkFolder {
    WorkFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "glimora-preferences-fuzz-XXXXXX").string();
        GLIMORA_FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        path = pattern;
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

const std::filesystem::path& workFolder() {
    static const WorkFolder folder;
    return folder.path;
}

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path folder = workFolder() / "glimora";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "preferences.json";
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        GLIMORA_FUZZ_CHECK(out.good());
    }

    auto logger = std::make_shared<CountingLogger>();
    glimora::FilePreferences loaded(file, logger);
    const bool movedAside = !std::filesystem::exists(file);
    if (movedAside) {
        GLIMORA_FUZZ_CHECK(logger->lines == 1);
        GLIMORA_FUZZ_CHECK(!loaded.value("notchPlacement").has_value());
        return 0;
    }
    // A file that loads says nothing, or names the numbers it left out.
    GLIMORA_FUZZ_CHECK(logger->lines == 0 ||
                       (logger->lines == 1 && logger->last.starts_with("Glimora preferences left out ")));
    logger->lines = 0;

    // A change rewrites the whole file; the next start reads every value back
    // as it was.
    loaded.setValue("fuzzMarker", 1);
    GLIMORA_FUZZ_CHECK(logger->lines == 0);
    glimora::FilePreferences restarted(file, logger);
    GLIMORA_FUZZ_CHECK(logger->lines == 0);
    for (const char* key : {"fuzzMarker", "notchPlacement", "sideExpandedWidth", "pinnedShuffleProperties",
                            "outputFolderBookmark", "launchAtLogin", ""}) {
        const auto before = loaded.value(key);
        const auto after = restarted.value(key);
        GLIMORA_FUZZ_CHECK(before.has_value() == after.has_value());
        if (before) GLIMORA_FUZZ_CHECK(*before == *after);
    }
    // Every value, not just the known keys: saving again writes the same bytes.
    const std::string firstSave = readAll(file);
    restarted.setValue("fuzzMarker", 1);
    GLIMORA_FUZZ_CHECK(readAll(file) == firstSave);
    return 0;
}
