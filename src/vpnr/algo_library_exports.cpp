#include "vpnr/algo_library_exports.h"

namespace qev::vpnr {
namespace {

template <typename Fn>
bool look_up(HMODULE module, const char* name, Fn& entry)
{
    // Through void(*)(): the one function type every other converts from without a warning.
    entry = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    return entry != nullptr;
}

}  // namespace

bool AlgoLibraryExports::resolve(HMODULE module)
{
    // Every lookup runs, so a missing export leaves only its own entry empty.
    const bool found[] = {
        look_up(module, "qev_get_interface_version", get_interface_version),
        look_up(module, "qev_get_comp_info", get_comp_info),
        look_up(module, "qev_comp_alloc", comp_alloc),
        look_up(module, "qev_comp_dealloc", comp_dealloc),
        look_up(module, "qev_comp_process", comp_process),
        look_up(module, "qev_comp_result_info", comp_result_info),
        look_up(module, "qev_comp_result", comp_result),
        look_up(module, "qev_comp_params_set", comp_params_set),
        look_up(module, "qev_comp_params_get", comp_params_get),
        look_up(module, "qev_comp_params_info", comp_params_info),
    };
    for (const bool entry_found : found) {
        if (!entry_found) {
            return false;
        }
    }
    return true;
}

}  // namespace qev::vpnr
