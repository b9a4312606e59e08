// The application's stored settings: one JSON object in
// ${XDG_CONFIG_HOME:-~/.config}/glimora/preferences.json, rewritten atomically
// on every change. JSON keeps booleans, integers, doubles, strings, arrays and
// objects apart, so every value reads back with the type it was stored with.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/logger.hpp"
#include "platform/paths.hpp"
#include "platform/preferences.hpp"

namespace glimora {

class FilePreferences final : public Preferences {
public:
    // Reads the file once. A missing file is an empty store; a file that is no
    // JSON object (or is over the size cap) is moved aside, logged, and the
    // store starts empty, so the next save does not destroy it. A number too
    // large for a double is left out with its key, and one log line names the
    // keys; the rest loads. `subject`
    // names the settings in the log lines, product word first.
    FilePreferences(std::filesystem::path file, std::shared_ptr<Logger> logger,
                    std::string subject = "Glimora preferences");

    // The settings file under the XDG config folder; nothing when none is known.
    static std::optional<std::filesystem::path> standardFile(const Paths& paths);

    std::optional<nlohmann::json> value(std::string_view key) const override;
    // Stores the value and rewrites the file. Text that is not valid UTF-8 is
    // stored with U+FFFD in place of its bad bytes; a value holding a number
    // JSON cannot write (NaN, infinity) is refused with a log line. A failed
    // write is logged and the value is kept for this run.
    void setValue(std::string_view key, nlohmann::json value) override;

    const std::filesystem::path& file() const { return file_; }

    static constexpr std::uintmax_t fileByteLimit = 8u * 1024 * 1024;

private:
    void load();
    void save() const;
    void log(const std::string& line) const;

    std::filesystem::path file_;
    std::shared_ptr<Logger> logger_;
    std::string subject_;
    nlohmann::json values_ = nlohmann::json::object();
};

}  // namespace glimora
