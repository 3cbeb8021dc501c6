#include "bench_options.h"

#include <cwchar>

namespace qev::bench {

namespace {

bool parse_count(const std::wstring& text, std::size_t& out)
{
    if (text.empty()) {
        return false;
    }
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 10);
    if (*end != L'\0' || value == 0 || value > 10000000ull) {
        return false;
    }
    out = static_cast<std::size_t>(value);
    return true;
}

}  // namespace

std::optional<BenchOptions> parse_bench_options(const std::vector<std::wstring>& words, std::string& error)
{
    BenchOptions options;
    std::size_t i = 0;
    while (i < words.size()) {
        const std::wstring& option = words[i++];
        if (option == L"--echo-only") {
            options.echo_only = true;
            continue;
        }
        if (i >= words.size()) {
            error = "an option needs a value";
            return std::nullopt;
        }
        const std::wstring& value = words[i++];
        bool ok = true;
        if (option == L"--iterations") {
            ok = parse_count(value, options.iterations);
        } else if (option == L"--clients") {
            ok = parse_count(value, options.concurrent_clients);
        } else if (option == L"--idle-clients") {
            ok = parse_count(value, options.idle_clients);
        } else if (option == L"--server-exe") {
            options.server_exe = value;
        } else {
            error = "unknown option";
            return std::nullopt;
        }
        if (!ok) {
            error = "not a positive count";
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace qev::bench
