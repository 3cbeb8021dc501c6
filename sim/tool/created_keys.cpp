#include "created_keys.h"

#include <algorithm>
#include <set>

#include "reg_key.h"

namespace qevsim {

namespace {

constexpr wchar_t kRecordKey[] = L"SOFTWARE\\qevsim\\Machine";
constexpr wchar_t kRecordValue[] = L"CreatedKeys";

std::wstring rootName(HKEY root)
{
    return root == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM";
}

// "HKLM\path" back to its root and path; false for anything else.
bool splitRecorded(const std::wstring& text, HKEY* root, std::wstring* path)
{
    const auto slash = text.find(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= text.size()) {
        return false;
    }
    const std::wstring name = text.substr(0, slash);
    if (name == L"HKLM") {
        *root = HKEY_LOCAL_MACHINE;
    } else if (name == L"HKCU") {
        *root = HKEY_CURRENT_USER;
    } else {
        return false;
    }
    *path = text.substr(slash + 1);
    return true;
}

bool isAtOrBelow(const std::wstring& key, const std::wstring& top)
{
    return key.size() >= top.size() && key.compare(0, top.size(), top) == 0 &&
           (key.size() == top.size() || key[top.size()] == L'\\');
}

std::size_t depth(const std::wstring& key)
{
    return static_cast<std::size_t>(std::count(key.begin(), key.end(), L'\\'));
}

// Works out, operation by operation, which keys are new.
class Planner {
public:
    void add(const RegOperation& op)
    {
        const std::wstring full = rootName(op.root) + L"\\" + op.path;
        if (op.kind == RegOperation::Kind::DeleteKey) {
            deleted_.push_back(toLower(full));
            return;
        }
        if (op.kind == RegOperation::Kind::DeleteValue) {
            return;  // opens an existing key only
        }
        for (std::size_t pos = op.path.find(L'\\');; pos = op.path.find(L'\\', pos + 1)) {
            considerKey(op.root, op.path.substr(0, pos));
            if (pos == std::wstring::npos) {
                break;
            }
        }
    }

    std::vector<std::wstring> result() const { return planned_; }

private:
    void considerKey(HKEY root, const std::wstring& path)
    {
        const std::wstring full = rootName(root) + L"\\" + path;
        const std::wstring lower = toLower(full);
        if (plannedLower_.count(lower) != 0) {
            return;
        }
        const bool deletedEarlier = std::any_of(deleted_.begin(), deleted_.end(),
                                                [&](const std::wstring& top) { return isAtOrBelow(lower, top); });
        if (deletedEarlier || !keyExists(root, path)) {
            plannedLower_.insert(lower);
            planned_.push_back(full);
        }
    }

    std::vector<std::wstring> deleted_;
    std::set<std::wstring> plannedLower_;
    std::vector<std::wstring> planned_;
};

}  // namespace

std::vector<std::wstring> CreatedKeys::plan(const std::vector<RegOperation>& ops)
{
    Planner planner;
    for (const auto& op : ops) {
        planner.add(op);
    }
    return planner.result();
}

std::vector<std::wstring> CreatedKeys::recorded()
{
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, kRecordKey, KEY_QUERY_VALUE);
    const auto value = key.value(kRecordValue);
    if (!value || value->type != REG_MULTI_SZ) {
        return {};
    }
    return bytesToMultiString(value->data);
}

LONG CreatedKeys::record(const std::vector<std::wstring>& keys)
{
    std::vector<std::wstring> all = recorded();
    all.insert(all.end(), keys.begin(), keys.end());
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::create(HKEY_LOCAL_MACHINE, kRecordKey, KEY_SET_VALUE, &rc);
    return key ? key.setValue(kRecordValue, REG_MULTI_SZ, multiStringBytes(all)) : rc;
}

LONG CreatedKeys::removeRecorded(std::wstring* failedKey)
{
    std::vector<std::wstring> keys = recorded();
    std::stable_sort(keys.begin(), keys.end(),
                     [](const std::wstring& a, const std::wstring& b) { return depth(a) > depth(b); });
    for (const auto& text : keys) {
        HKEY root = nullptr;
        std::wstring path;
        if (!splitRecorded(text, &root, &path)) {
            continue;  // not written by us; nothing safe to delete
        }
        const LONG rc = deleteTree(root, path);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
            *failedKey = text;
            return rc;
        }
    }
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, kRecordKey, KEY_SET_VALUE);
    const LONG rc = key ? key.deleteValue(kRecordValue) : ERROR_SUCCESS;
    // Deleted by another process meanwhile: the record is gone all the same.
    return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_KEY_DELETED ? ERROR_SUCCESS : rc;
}

}  // namespace qevsim
