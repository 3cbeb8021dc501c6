#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace qev::sysinfo {

struct DriverDate {
    uint16_t year = 1900;
    uint16_t month = 1;
    uint16_t day = 1;

    friend auto operator<=>(const DriverDate&, const DriverDate&) = default;
};

// 1900-01-01 stands for "unknown".
inline constexpr DriverDate kUnknownDriverDate{1900, 1, 1};

// Parses "year-month-day" (three decimal numbers). Anything that is not a real date gives
// kUnknownDriverDate; a conversion error also writes "Error converting date string: <error>" to stderr.
DriverDate ParseDriverDate(const std::wstring& text);

}  // namespace qev::sysinfo
