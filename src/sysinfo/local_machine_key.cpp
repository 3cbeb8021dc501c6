#include "sysinfo/local_machine_key.h"

namespace qev::sysinfo {

base::UniqueRegKey OpenLocalMachineKey(const std::wstring& subkey)
{
    base::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        key.reset();
    }
    return key;
}

bool LocalMachineKeyOpens(const std::wstring& subkey)
{
    return OpenLocalMachineKey(subkey).valid();
}

}  // namespace qev::sysinfo
