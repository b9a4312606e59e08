#include "platform/preferences.hpp"

namespace glimora {

std::optional<std::string> Preferences::stringValue(std::string_view key) const {
    const auto stored = value(key);
    if (!stored || !stored->is_string()) return std::nullopt;
    return stored->get<std::string>();
}

std::optional<double> Preferences::doubleValue(std::string_view key) const {
    const auto stored = value(key);
    if (!stored || !stored->is_number()) return std::nullopt;
    return stored->get<double>();
}

std::optional<nlohmann::json> MemoryPreferences::value(std::string_view key) const {
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

void MemoryPreferences::setValue(std::string_view key, nlohmann::json value) {
    values_.insert_or_assign(std::string(key), std::move(value));
}

}  // namespace glimora
