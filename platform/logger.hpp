// Where the system's log lines go. The core never prints on its own.
#pragma once

#include <string_view>

namespace glimora {

class Logger {
public:
    virtual ~Logger() = default;
    virtual void log(std::string_view line) = 0;
};

// Writes each line to syslog and to stderr.
class SystemLogger final : public Logger {
public:
    void log(std::string_view line) override;
};

}  // namespace glimora
