#pragma once

#include <string>

namespace qevsim {

// The human-readable view of the machine that "qevsim show" prints.
class MachinePrinter {
public:
    static std::wstring describe();

private:
    static std::wstring describeEndpoints();
    static std::wstring describeSessions();
};

}  // namespace qevsim
