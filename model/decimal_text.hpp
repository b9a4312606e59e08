// Numbers as the shortest decimal text that reads back to the same double,
// with at least one fractional digit (90 as "90.0", 0.25 as "0.25"), and in
// exponent form below 1e-4 and from 1e16 on ("1e-05", "1e+16"). Used by the
// design fingerprints and the SVG attributes that carry full precision;
// never the locale. Non-finite values read "nan", "inf" and "-inf".
#pragma once

#include <string>

namespace glimora {

void appendDecimalText(std::string& out, double value);
std::string decimalText(double value);

}  // namespace glimora
