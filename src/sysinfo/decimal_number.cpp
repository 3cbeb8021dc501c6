#include "sysinfo/decimal_number.h"

#include <climits>
#include <cwctype>
#include <stdexcept>

namespace qev::sysinfo {

int ParseDecimal(const std::wstring& text)
{
    size_t pos = 0;
    while (pos < text.size() && std::iswspace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
        negative = text[pos] == L'-';
        ++pos;
    }
    const size_t first_digit = pos;
    // Accumulated as a negative number so that INT_MIN fits.
    long long value = 0;
    bool overflow = false;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        if (!overflow) {
            value = value * 10 - (text[pos] - L'0');
            overflow = value < static_cast<long long>(INT_MIN);
        }
        ++pos;
    }
    if (pos == first_digit) {
        throw std::invalid_argument("invalid stoi argument");
    }
    if (!negative) {
        value = -value;
    }
    if (overflow || value > INT_MAX || value < INT_MIN) {
        throw std::out_of_range("stoi argument out of range");
    }
    return static_cast<int>(value);
}

}  // namespace qev::sysinfo
