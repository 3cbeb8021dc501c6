#include "sysinfo/driver_version.h"

#include "sysinfo/decimal_number.h"
#include "sysinfo/wide_text.h"

#include <iostream>
#include <optional>
#include <stdexcept>

namespace qev::sysinfo {
namespace {

// A part that parses but does not fit 16 bits would silently become another version.
std::optional<uint16_t> parse_part(const std::wstring& text)
{
    const int value = ParseDecimal(text);
    if (value < 0 || value > UINT16_MAX) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

}  // namespace

DriverVersion ParseVersion(const std::wstring& text)
{
    const std::vector<std::wstring> parts = SplitText(text, L'.');
    if (parts.size() != 4) {
        return DriverVersion{};
    }
    try {
        uint16_t numbers[4] = {};
        for (size_t i = 0; i < parts.size(); ++i) {
            const std::optional<uint16_t> number = parse_part(parts[i]);
            if (!number) {
                return DriverVersion{};
            }
            numbers[i] = *number;
        }
        return DriverVersion{numbers[0], numbers[1], numbers[2], numbers[3]};
    } catch (const std::exception& error) {
        std::cerr << "Error converting version string: " << error.what() << std::endl;
        return DriverVersion{};
    }
}

std::wstring FormatVersion(const DriverVersion& version)
{
    return std::to_wstring(version.major) + L"." + std::to_wstring(version.minor) + L"." +
           std::to_wstring(version.build) + L"." + std::to_wstring(version.revision);
}

}  // namespace qev::sysinfo
