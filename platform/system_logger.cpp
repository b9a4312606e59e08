#include <syslog.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/logger.hpp"

namespace glimora {

void SystemLogger::log(std::string_view line) {
    static std::once_flag opened;
    std::call_once(opened, [] { openlog("glimora", LOG_PID, LOG_USER); });
    const std::string text(line);
    syslog(LOG_NOTICE, "%s", text.c_str());
    std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace glimora
