// The application's stored settings: one JSON value per key. Readers check the
// type of what they get; a value of the wrong type counts as absent.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace glimora {

class Preferences {
public:
    virtual ~Preferences() = default;

    virtual std::optional<nlohmann::json> value(std::string_view key) const = 0;
    virtual void setValue(std::string_view key, nlohmann::json value) = 0;

    // The value when it is a JSON string.
    std::optional<std::string> stringValue(std::string_view key) const;
    // The value when it is a JSON number (integer or not); booleans are not numbers.
    std::optional<double> doubleValue(std::string_view key) const;
};

// Kept in memory only: for tests, and for the screen saver and the command-line
// harness, whose models must never write the application's settings.
class MemoryPreferences : public Preferences {
public:
    MemoryPreferences() = default;
    explicit MemoryPreferences(std::map<std::string, nlohmann::json, std::less<>> values)
        : values_(std::move(values)) {}

    std::optional<nlohmann::json> value(std::string_view key) const override;
    void setValue(std::string_view key, nlohmann::json value) override;

    const std::map<std::string, nlohmann::json, std::less<>>& values() const { return values_; }

private:
    std::map<std::string, nlohmann::json, std::less<>> values_;
};

}  // namespace glimora
