// Unicode normalisation of user and file texts (through utf8proc), so that
// texts that read the same compare the same whatever system made them.
#pragma once

#include <string>
#include <string_view>

namespace glimora {

// The text in Normalization Form C: canonically equivalent texts (a precomposed
// "é" and "e" followed by a combining acute) give the same bytes. Bytes that
// are no UTF-8 stay as they are, and each valid run between them is
// normalised on its own.
std::string normalizedToNFC(std::string_view text);
// Appends normalizedToNFC(text) to `out`.
void appendNormalizedToNFC(std::string& out, std::string_view text);

}  // namespace glimora
