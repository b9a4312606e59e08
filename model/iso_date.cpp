#include "model/iso_date.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace glimora {

namespace {

struct CivilTime {
    std::int64_t year, month, day, hour, minute, second;
};

// Days since 1970-01-01 of a proleptic Gregorian date (after H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilTime civilFromUnixSeconds(std::int64_t seconds) {
    std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const std::int64_t secondOfDay = seconds - days * 86400;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2);
    return {year, month, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60};
}

bool isLeapYear(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

std::int64_t daysInMonth(std::int64_t y, std::int64_t m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

const double earliestUnixSecond = double(daysFromCivil(1, 1, 1)) * 86400;
const double endUnixSecond = double(daysFromCivil(10000, 1, 1)) * 86400;

std::optional<CivilTime> civil(double secondsSinceReferenceDate) {
    if (!std::isfinite(secondsSinceReferenceDate)) return std::nullopt;
    const double unix = std::floor(secondsSinceReferenceDate + unixTimeOfReferenceDate);
    if (unix < earliestUnixSecond || unix >= endUnixSecond) return std::nullopt;
    return civilFromUnixSeconds(static_cast<std::int64_t>(unix));
}

}  // namespace

std::optional<std::string> isoDateText(double secondsSinceReferenceDate) {
    const auto t = civil(secondsSinceReferenceDate);
    if (!t) return std::nullopt;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", int(t->year), int(t->month),
                  int(t->day), int(t->hour), int(t->minute), int(t->second));
    return std::string(buffer);
}

std::optional<std::string> compactIsoDateText(double secondsSinceReferenceDate) {
    const auto t = civil(secondsSinceReferenceDate);
    if (!t) return std::nullopt;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02dZ", int(t->year), int(t->month), int(t->day),
                  int(t->hour), int(t->minute), int(t->second));
    return std::string(buffer);
}

std::optional<double> parseIsoDate(std::string_view text) {
    if (text.size() != 20) return std::nullopt;
    const auto digits = [&](std::size_t at, std::size_t count) -> std::int64_t {
        std::int64_t v = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9') return -1;
            v = v * 10 + (text[i] - '0');
        }
        return v;
    };
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
        text[19] != 'Z')
        return std::nullopt;
    const std::int64_t year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    const std::int64_t hour = digits(11, 2), minute = digits(14, 2), second = digits(17, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
    const std::int64_t unix = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return double(unix) - unixTimeOfReferenceDate;
}

}  // namespace glimora
