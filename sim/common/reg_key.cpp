#include "reg_key.h"

#include <algorithm>
#include <cwctype>
#include <utility>

namespace qevsim {

namespace {

// Another process may change the tree while it is deleted (a watcher, a second qevsim): a subkey
// deleted under us gives ERROR_KEY_DELETED, one created under us ERROR_ACCESS_DENIED or (a longer
// name than the key held when the walk began) ERROR_MORE_DATA. They settle when tried again; a
// tree that is gone afterwards counts as not found.
LONG deleteTreeSettled(HKEY parent, const wchar_t* name)
{
    constexpr int kAttempts = 40;
    LONG rc = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        rc = ::RegDeleteTreeW(parent, name);
        if (rc != ERROR_KEY_DELETED && rc != ERROR_ACCESS_DENIED && rc != ERROR_MORE_DATA) {
            return rc;
        }
        ::Sleep(1);
    }
    HKEY probe = nullptr;
    if (::RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WOW64_64KEY, &probe) != ERROR_SUCCESS) {
        return ERROR_FILE_NOT_FOUND;
    }
    ::RegCloseKey(probe);
    return rc;
}

}  // namespace

RegKey::~RegKey()
{
    if (key_ != nullptr) {
        ::RegCloseKey(key_);
    }
}

RegKey::RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr))
{}

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other) {
        if (key_ != nullptr) {
            ::RegCloseKey(key_);
        }
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

RegKey RegKey::open(HKEY root, const std::wstring& path, REGSAM access, LONG* error)
{
    HKEY key = nullptr;
    const LONG rc = ::RegOpenKeyExW(root, path.c_str(), 0, access | KEY_WOW64_64KEY, &key);
    if (error != nullptr) {
        *error = rc;
    }
    return rc == ERROR_SUCCESS ? RegKey(key) : RegKey();
}

RegKey RegKey::create(HKEY root, const std::wstring& path, REGSAM access, LONG* error)
{
    HKEY key = nullptr;
    const LONG rc = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access | KEY_WOW64_64KEY,
                                      nullptr, &key, nullptr);
    if (error != nullptr) {
        *error = rc;
    }
    return rc == ERROR_SUCCESS ? RegKey(key) : RegKey();
}

RegKey RegKey::createNew(HKEY root, const std::wstring& path, REGSAM access)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access | KEY_WOW64_64KEY, nullptr,
                          &key, &disposition) != ERROR_SUCCESS) {
        return RegKey();
    }
    RegKey result(key);
    return disposition == REG_CREATED_NEW_KEY ? std::move(result) : RegKey();
}

std::vector<std::wstring> RegKey::subkeys() const
{
    std::vector<std::wstring> names;
    if (key_ == nullptr) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        const LONG rc = ::RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<RegValue> RegKey::values() const
{
    std::vector<RegValue> result;
    if (key_ == nullptr) {
        return result;
    }
    DWORD maxName = 0;
    DWORD maxData = 0;
    if (::RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                           nullptr, nullptr) != ERROR_SUCCESS) {
        return result;
    }
    std::vector<wchar_t> name(maxName + 2);
    std::vector<std::uint8_t> data(maxData + 2);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG rc =
            ::RegEnumValueW(key_, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (rc == ERROR_MORE_DATA) {
            // Changed under us: grow and retry this index.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            --index;
            continue;
        }
        if (rc != ERROR_SUCCESS) {
            break;
        }
        result.push_back({std::wstring(name.data(), nameLength), type,
                          std::vector<std::uint8_t>(data.begin(), data.begin() + dataLength)});
    }
    return result;
}

std::optional<RegValue> RegKey::value(const std::wstring& name) const
{
    if (key_ == nullptr) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (::RegQueryValueExW(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        RegValue result{name, type, std::vector<std::uint8_t>(size)};
        const LONG rc = ::RegQueryValueExW(key_, name.c_str(), nullptr, &type, result.data.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            continue;
        }
        if (rc != ERROR_SUCCESS) {
            return std::nullopt;
        }
        result.type = type;
        result.data.resize(size);
        return result;
    }
    return std::nullopt;
}

std::optional<DWORD> RegKey::dword(const std::wstring& name) const
{
    const auto raw = value(name);
    if (!raw || raw->type != REG_DWORD || raw->data.size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    DWORD result = 0;
    std::copy(raw->data.begin(), raw->data.end(), reinterpret_cast<std::uint8_t*>(&result));
    return result;
}

std::optional<std::wstring> RegKey::string(const std::wstring& name) const
{
    const auto raw = value(name);
    if (!raw || (raw->type != REG_SZ && raw->type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    return bytesToString(raw->data);
}

LONG RegKey::setValue(const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& data) const
{
    if (key_ == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    return ::RegSetValueExW(key_, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                            static_cast<DWORD>(data.size()));
}

LONG RegKey::setDword(const std::wstring& name, DWORD value) const
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    return setValue(name, REG_DWORD, std::vector<std::uint8_t>(bytes, bytes + sizeof(value)));
}

LONG RegKey::setString(const std::wstring& name, const std::wstring& value) const
{
    return setValue(name, REG_SZ, stringBytes(value));
}

LONG RegKey::deleteValue(const std::wstring& name) const
{
    return key_ == nullptr ? ERROR_INVALID_HANDLE : ::RegDeleteValueW(key_, name.c_str());
}

LONG RegKey::deleteSubtree(const std::wstring& name) const
{
    return key_ == nullptr ? ERROR_INVALID_HANDLE : deleteTreeSettled(key_, name.c_str());
}

bool keyExists(HKEY root, const std::wstring& path)
{
    return static_cast<bool>(RegKey::open(root, path, KEY_READ));
}

LONG deleteTree(HKEY root, const std::wstring& path)
{
    // With a subkey name RegDeleteTree removes that key as well as everything below it.
    return deleteTreeSettled(root, path.c_str());
}

std::wstring toLower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

bool equalsNoCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && toLower(a) == toLower(b);
}

std::vector<std::uint8_t> stringBytes(const std::wstring& text)
{
    const auto* begin = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return std::vector<std::uint8_t>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}

std::wstring bytesToString(const std::vector<std::uint8_t>& data)
{
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::copy(data.begin(), data.begin() + text.size() * sizeof(wchar_t), reinterpret_cast<std::uint8_t*>(text.data()));
    const auto nul = text.find(L'\0');
    if (nul != std::wstring::npos) {
        text.resize(nul);
    }
    return text;
}

std::vector<std::uint8_t> multiStringBytes(const std::vector<std::wstring>& items)
{
    std::wstring joined;
    for (const auto& item : items) {
        joined += item;
        joined += L'\0';
    }
    joined += L'\0';
    const auto* begin = reinterpret_cast<const std::uint8_t*>(joined.data());
    return std::vector<std::uint8_t>(begin, begin + joined.size() * sizeof(wchar_t));
}

std::vector<std::wstring> bytesToMultiString(const std::vector<std::uint8_t>& data)
{
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::copy(data.begin(), data.begin() + text.size() * sizeof(wchar_t), reinterpret_cast<std::uint8_t*>(text.data()));
    std::vector<std::wstring> items;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find(L'\0', start);
        const std::wstring item = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (item.empty()) {
            break;  // the list ends at the first empty string
        }
        items.push_back(item);
        if (end == std::wstring::npos) {
            break;
        }
        start = end + 1;
    }
    return items;
}

}  // namespace qevsim
