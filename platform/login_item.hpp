// Starting the application when the user logs in.
#pragma once

#include <optional>
#include <string>

namespace glimora {

class LoginItem {
public:
    enum class Status { notRegistered, enabled };

    virtual ~LoginItem() = default;
    virtual Status status() const = 0;
    // Each returns nothing on success, else a one-line description of the failure.
    virtual std::optional<std::string> registerItem() = 0;
    virtual std::optional<std::string> unregisterItem() = 0;
};

}  // namespace glimora
