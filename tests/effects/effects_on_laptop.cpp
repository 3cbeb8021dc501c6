#include "effects_on_laptop.h"

#include "effects/settings/endpoint_fx_paths.h"
#include "winsys/registry.h"

namespace qev::effects::test {

std::vector<std::wstring> SetFx(const std::wstring& id, const std::wstring& name, const std::wstring& type,
                                std::vector<std::wstring> values)
{
    std::vector<std::wstring> args = {L"set-prop", id, L"fx", name, type};
    args.insert(args.end(), values.begin(), values.end());
    return args;
}

Edits GenericSpeakers()
{
    return {SetFx(kSpeakers, L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},13", L"multi", {kForeign13}),
            SetFx(kSpeakers, L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14", L"multi", {kForeign14, kGeneric})};
}

std::wstring ValueText(const std::wstring& subkey, const std::wstring& name)
{
    DWORD type = 0;
    winsys::RegistryValue value;
    if (!winsys::read_value(HKEY_LOCAL_MACHINE, subkey, name, type, value)) {
        return L"-";
    }
    if (const auto* number = std::get_if<DWORD>(&value)) {
        return std::to_wstring(*number);
    }
    if (const auto* text = std::get_if<std::wstring>(&value)) {
        return *text;
    }
    std::wstring joined;
    for (const std::wstring& item : std::get<std::vector<std::wstring>>(value)) {
        joined += (joined.empty() ? L"" : L"|") + item;
    }
    return joined;
}

std::wstring FxText(const std::wstring& endpointId, const std::wstring& name)
{
    const std::wstring key = EndpointFxPaths::EndpointFxKeyPath(endpointId, EndpointDirection::Unknown);
    return ValueText(key.substr(key.find(L'\\') + 1), name);
}

void WriteValue(const std::wstring& subkey, const std::wstring& name, DWORD type, const std::wstring& text)
{
    const DWORD number = type == REG_DWORD ? std::stoul(text) : 0;
    const void* data = type == REG_DWORD ? static_cast<const void*>(&number) : text.c_str();
    const DWORD size = type == REG_DWORD ? sizeof(number) : static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, subkey.c_str(), name.empty() ? nullptr : name.c_str(), type, data, size),
        ERROR_SUCCESS);
}

void LoadApoLaptop(unsigned build, const Edits& edits)
{
    winaudio::test::SimMachine::Load("laptop-apo");
    winaudio::test::SimMachine::Must({L"set-build", std::to_wstring(build)});
    for (const auto& edit : edits) {
        winaudio::test::SimMachine::Must(edit);
    }
}

}  // namespace qev::effects::test
