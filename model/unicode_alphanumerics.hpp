// Which characters count as letters, marks or numbers, for text we filter
// into file names.
#pragma once

namespace glimora {

// Whether the code point is in a Unicode general category L* (letters),
// M* (marks) or N* (numbers).
bool isUnicodeAlphanumeric(char32_t c);

}  // namespace glimora
