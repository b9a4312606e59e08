#include "platform/program_output.hpp"

#include <cerrno>
#include <system_error>

#include "model/utf8.hpp"

namespace glimora {

std::string quotedArgument(std::string_view argument) { return "'" + replacingInvalidUtf8(argument) + "'"; }

std::string programVersionText(std::string_view program, std::string_view version) {
    std::string text(program);
    return text.append(" ").append(version).append("\n");
}

int printProgramText(std::string_view program, std::string_view text, std::FILE* out, std::FILE* err) {
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool flushed = std::fflush(out) == 0;
    if (written && flushed && !std::ferror(out)) return 0;
    const int error = errno;
    std::fprintf(err, "%.*s: write error%s%s\n", int(program.size()), program.data(), error ? ": " : "",
                 error ? std::generic_category().message(error).c_str() : "");
    return 1;
}

int reportUsageError(std::string_view program, std::string_view message, std::FILE* err) {
    const int length = int(program.size());
    std::fprintf(err, "%.*s: %.*s\nTry '%.*s --help' for more information.\n", length, program.data(),
                 int(message.size()), message.data(), length, program.data());
    return 1;
}

}  // namespace glimora
