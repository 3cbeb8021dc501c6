#include "session/process_name_rule.h"

#include <windows.h>

#include <algorithm>

namespace qev::session {

bool ProcessNameRule::admits(std::uint32_t pid, const ProcessSnapshot& snapshot) const
{
    if (pid == 0) {
        return false;
    }
    const std::wstring name = snapshot.image_name(pid);
    const bool listed = std::any_of(names->begin(), names->end(), [&name](const std::wstring& listedName) {
        return _wcsicmp(listedName.c_str(), name.c_str()) == 0;
    });
    return listed ? whenListed : !whenListed;
}

const std::vector<std::wstring>& excluded_programs()
{
    static const std::vector<std::wstring> names = {L"Soundbench.exe", L"FactoryCheck.exe", L"Cortana.exe",
                                                    L"Alexa.exe",      L"Audacity.exe",     L"SoundRec.exe",
                                                    L"svchost.exe",    L"audiodg.exe"};
    return names;
}

}  // namespace qev::session
