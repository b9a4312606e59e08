// UTF-8 helpers for text that comes from users and from the file system,
// where names are bytes and need not be valid UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace glimora {

// Length of the well-formed UTF-8 sequence that starts at `text[offset]`, or 0
// when the bytes there are not one (overlong forms and surrogates included).
std::size_t utf8SequenceLength(std::string_view text, std::size_t offset);

// The code point of the sequence of `length` bytes at `text[offset]`, where
// `length` is what utf8SequenceLength returned there (never 0).
char32_t utf8CodePoint(std::string_view text, std::size_t offset, std::size_t length);

bool isValidUtf8(std::string_view text);

// The text with every byte that does not belong to a well-formed sequence
// replaced by U+FFFD, so that it can always be written as JSON.
std::string replacingInvalidUtf8(std::string_view text);

// Appends the UTF-8 bytes of one code point.
void appendUtf8(std::string& out, char32_t c);

// Trims white space and newlines from both ends: the Unicode space separators,
// U+0009...U+000D, U+0085 and the line and paragraph separators.
std::string_view trimmingWhitespaceAndNewlines(std::string_view text);

}  // namespace glimora
