// Dates as stored in our files: ISO 8601 internet date-time in UTC with whole
// seconds, "2025-03-01T09:30:00Z". In memory a date is seconds since
// 2001-01-01T00:00:00Z as a double.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace glimora {

inline constexpr double unixTimeOfReferenceDate = 978307200;

// The text of the whole second that holds the date (fractions are dropped
// toward the past); nothing for a non-finite date or one outside the years 1 to 9999.
std::optional<std::string> isoDateText(double secondsSinceReferenceDate);

// Exactly the form above: 20 characters, a real calendar date, hours 0 to 23,
// minutes and seconds 0 to 59, the suffix Z. Anything else gives nothing.
std::optional<double> parseIsoDate(std::string_view text);

// "20250301T093000Z": the same instant without separators, for file names.
std::optional<std::string> compactIsoDateText(double secondsSinceReferenceDate);

}  // namespace glimora
