#include "model/unicode_normalization.hpp"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <utf8proc.h>

#include "model/utf8.hpp"

namespace glimora {

namespace {

void appendNFC(std::string& out, std::string_view run) {
    if (run.empty()) return;
    utf8proc_uint8_t* mapped = nullptr;
    // An explicit length rather than a terminator: a NUL inside a text is a
    // character like any other.
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(run.data()), static_cast<utf8proc_ssize_t>(run.size()),
                     &mapped, utf8proc_option_t(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(mapped, &std::free);
    if (length < 0 || !mapped) {
        out += run;
        return;
    }
    out.append(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(length));
}

}  // namespace

void appendNormalizedToNFC(std::string& out, std::string_view text) {
    // ASCII is its own normal form, and nearly every text compared is ASCII.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out += text;
        return;
    }
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8SequenceLength(text, i);
        if (length > 0) {
            i += length;
            continue;
        }
        appendNFC(out, text.substr(runStart, i - runStart));
        out += text[i];
        runStart = ++i;
    }
    appendNFC(out, text.substr(runStart));
}

std::string normalizedToNFC(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    appendNormalizedToNFC(result, text);
    return result;
}

}  // namespace glimora
