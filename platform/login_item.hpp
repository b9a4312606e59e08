// Starting the application when the user logs in.
#pragma once

#include <optional>
#include <string>

namespace glimora {

class LoginItem {
public:
    // requiresApproval: the item is there but the user switched it off in the
    // desktop's own settings; only the user's explicit choice turns it back on.
    enum class Status { notRegistered, enabled, requiresApproval };

    virtual ~LoginItem() = default;
    virtual Status status() const = 0;
    // Each returns nothing on success, else a one-line description of the failure.
    virtual std::optional<std::string> registerItem() = 0;
    virtual std::optional<std::string> unregisterItem() = 0;
};

}  // namespace glimora
