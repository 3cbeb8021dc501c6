#include "machine_layout.h"

#include <cwctype>

#include "reg_key.h"

namespace qevsim {

namespace {
constexpr wchar_t kRenderPrefix[] = L"{0.0.0.00000000}.";
constexpr wchar_t kCapturePrefix[] = L"{0.0.1.00000000}.";
}  // namespace

const wchar_t* flowWord(Flow flow)
{
    return flow == Flow::Render ? L"Render" : L"Capture";
}

bool isBracedGuid(const std::wstring& text)
{
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') {
        return false;
    }
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = (i == 9 || i == 14 || i == 19 || i == 24);
        if (dash ? text[i] != L'-' : !std::iswxdigit(text[i])) {
            return false;
        }
    }
    return true;
}

std::optional<EndpointId> EndpointId::parse(const std::wstring& text)
{
    const std::size_t prefixLength = std::wstring(kRenderPrefix).size();
    if (text.size() != prefixLength + 38) {
        return std::nullopt;
    }
    const std::wstring head = text.substr(0, prefixLength);
    const std::wstring guid = text.substr(prefixLength);
    if (!isBracedGuid(guid)) {
        return std::nullopt;
    }
    if (head == kRenderPrefix) {
        return EndpointId(Flow::Render, guid);
    }
    if (head == kCapturePrefix) {
        return EndpointId(Flow::Capture, guid);
    }
    return std::nullopt;
}

std::optional<EndpointId> EndpointId::resolve(const std::wstring& text)
{
    if (auto parsed = parse(text)) {
        return parsed;
    }
    if (!isBracedGuid(text)) {
        return std::nullopt;
    }
    for (const Flow flow : {Flow::Render, Flow::Capture}) {
        EndpointId candidate(flow, text);
        if (keyExists(HKEY_LOCAL_MACHINE, candidate.keyPath())) {
            return candidate;
        }
    }
    return std::nullopt;
}

EndpointId::EndpointId(Flow flow, std::wstring guid) : flow_(flow), guid_(std::move(guid))
{}

std::wstring EndpointId::text() const
{
    return (flow_ == Flow::Render ? kRenderPrefix : kCapturePrefix) + guid_;
}

std::wstring EndpointId::keyPath() const
{
    return std::wstring(kAudioRoot) + L"\\" + flowWord(flow_) + L"\\" + guid_;
}

std::wstring EndpointId::propertiesPath() const
{
    return keyPath() + L"\\" + kPropertiesSubkey;
}

std::wstring EndpointId::fxPath() const
{
    return keyPath() + L"\\" + kFxPropertiesSubkey;
}

unsigned simulatedBuild()
{
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, kVersionKey, KEY_READ);
    const auto text = key.string(L"CurrentBuildNumber");
    if (!text || text->empty() || text->size() > 9) {
        return 0;
    }
    unsigned build = 0;
    for (const wchar_t c : *text) {
        if (c < L'0' || c > L'9') {
            return 0;
        }
        build = build * 10 + static_cast<unsigned>(c - L'0');
    }
    return build;
}

}  // namespace qevsim
