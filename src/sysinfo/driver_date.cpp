#include "sysinfo/driver_date.h"

#include "sysinfo/decimal_number.h"
#include "sysinfo/wide_text.h"

#include <iostream>
#include <stdexcept>

namespace qev::sysinfo {
namespace {

int days_in_month(int year, int month)
{
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0) {
        return 29;
    }
    return kDays[month - 1];
}

bool is_valid_date(int year, int month, int day)
{
    // The year must fit the 16-bit field; a truncated year would be a different date.
    if (year < 0 || year > UINT16_MAX || month < 1 || month > 12) {
        return false;
    }
    return day >= 1 && day <= days_in_month(year, month);
}

}  // namespace

DriverDate ParseDriverDate(const std::wstring& text)
{
    const std::vector<std::wstring> parts = SplitText(text, L'-');
    if (parts.size() != 3) {
        return kUnknownDriverDate;
    }
    try {
        const int year = ParseDecimal(parts[0]);
        const int month = ParseDecimal(parts[1]);
        const int day = ParseDecimal(parts[2]);
        if (!is_valid_date(year, month, day)) {
            return kUnknownDriverDate;
        }
        return DriverDate{static_cast<uint16_t>(year), static_cast<uint16_t>(month), static_cast<uint16_t>(day)};
    } catch (const std::exception& error) {
        std::cerr << "Error converting date string: " << error.what() << std::endl;
        return kUnknownDriverDate;
    }
}

}  // namespace qev::sysinfo
