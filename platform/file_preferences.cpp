#include "platform/file_preferences.hpp"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "model/atomic_file.hpp"
#include "model/iso_date.hpp"
#include "model/json_text.hpp"
#include "model/utf8.hpp"
#include "platform/file_read.hpp"

namespace glimora {

namespace {

// Far deeper than any setting; a file nested deeper is not read.
constexpr std::size_t maxNesting = 64;

bool holdsOnlyFiniteNumbers(const nlohmann::json& value) {
    if (value.is_number_float()) return std::isfinite(value.get<double>());
    if (value.is_structured())
        for (const auto& element : value)
            if (!holdsOnlyFiniteNumbers(element)) return false;
    return true;
}

// The value as it reads back from the file: text made valid UTF-8, and whole
// numbers signed whenever they fit (the parser reads non-negative ones as
// unsigned), so a value compares and types the same before and after a restart.
nlohmann::json storable(const nlohmann::json& value) {
    if (value.is_string()) return replacingInvalidUtf8(value.get_ref<const std::string&>());
    if (value.is_number_unsigned()) {
        const auto whole = value.get<std::uint64_t>();
        if (whole <= std::uint64_t(std::numeric_limits<std::int64_t>::max())) return std::int64_t(whole);
        return value;
    }
    if (value.is_array()) {
        nlohmann::json result = nlohmann::json::array();
        for (const auto& element : value) result.push_back(storable(element));
        return result;
    }
    if (value.is_object()) {
        nlohmann::json result = nlohmann::json::object();
        for (const auto& [key, element] : value.items()) result[replacingInvalidUtf8(key)] = storable(element);
        return result;
    }
    return value;
}

}  // namespace

FilePreferences::FilePreferences(std::filesystem::path file, std::shared_ptr<Logger> logger, std::string subject)
    : file_(std::move(file)), logger_(std::move(logger)), subject_(std::move(subject)) {
    load();
}

std::optional<std::filesystem::path> FilePreferences::standardFile(const Paths& paths) {
    const auto config = paths.configHome();
    if (!config) return std::nullopt;
    return *config / "glimora" / "preferences.json";
}

void FilePreferences::log(const std::string& line) const {
    if (logger_) logger_->log(line);
}

void FilePreferences::load() {
    std::error_code error;
    if (!std::filesystem::exists(file_, error)) return;
    std::string reason;
    if (const auto bytes = readFileLimited(file_, fileByteLimit)) {
        // Our own strict reader: its bounded nesting keeps a hostile file from
        // recursing through the stack in storable() below. A number beyond
        // the double range (a hand-edited 1e999) is one bad value, not a
        // broken file: its key reads as absent and the others keep theirs.
        std::optional<nlohmann::json> parsed;
        std::vector<std::string> leftOut;
        try {
            parsed = JsonText::parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                                     maxNesting, JsonText::HugeNumbers::leaveOut, &leftOut);
        } catch (const JsonText::Error&) {
        }
        if (parsed && parsed->is_object()) {
            values_ = storable(*parsed);
            if (!leftOut.empty()) {
                std::string places;
                for (const std::string& place : leftOut) places += (places.empty() ? "“" : ", “") + place + "”";
                log(subject_ + " left out " + places + ": too large for a double");
            }
            return;
        }
        reason = parsed ? "not a JSON object" : "not JSON";
    } else {
        reason = "unreadable or larger than 8 MiB";
    }
    if (const auto aside = moveUnreadableFileAside(file_))
        log(subject_ + " could not be read (" + reason + "); moved them to “" + aside->string() + "”");
    else
        log(subject_ + " could not be read (" + reason + ") nor moved aside: " +
            std::generic_category().message(errno));
}

std::optional<nlohmann::json> FilePreferences::value(std::string_view key) const {
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return *found;
}

void FilePreferences::setValue(std::string_view key, nlohmann::json value) {
    if (!holdsOnlyFiniteNumbers(value)) {
        log(subject_ + " refused a value for “" + replacingInvalidUtf8(key) +
            "”: JSON cannot hold NaN or infinity");
        return;
    }
    values_[replacingInvalidUtf8(key)] = storable(value);
    save();
}

void FilePreferences::save() const {
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (error) {
        log(subject_ + " could not be saved: could not create “" + file_.parent_path().string() +
            "”: " + error.message());
        return;
    }
    if (const auto failure = AtomicFile::write(file_, values_.dump(2) + "\n"))
        log(subject_ + " could not be saved: " + failure->description());
}

}  // namespace glimora
