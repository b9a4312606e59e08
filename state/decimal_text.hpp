// Numbers in design fingerprints: the shortest decimal that reads back to the
// same double, with at least one fractional digit (90 as "90.0", 0.25 as
// "0.25"); exponent form below 1e-4 and above 2^54 ("1e-05", "1.8e+19").
#pragma once

#include <string>

namespace glimora {

std::string decimalText(double value);

}  // namespace glimora
