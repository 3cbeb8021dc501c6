#pragma once

#include "vpnr/algo_library_abi.h"

#include <windows.h>

namespace qev::vpnr {

// The ten entry points of the algorithm library, looked up by name.
struct AlgoLibraryExports {
    GetInterfaceVersionFn get_interface_version = nullptr;
    GetCompInfoFn get_comp_info = nullptr;
    CompAllocFn comp_alloc = nullptr;
    CompDeallocFn comp_dealloc = nullptr;
    CompRunFn comp_process = nullptr;
    UncalledFn comp_result_info = nullptr;
    CompRunFn comp_result = nullptr;
    UncalledFn comp_params_set = nullptr;
    CompParamsGetFn comp_params_get = nullptr;
    UncalledFn comp_params_info = nullptr;

    // True when the module has all ten; otherwise some stay null.
    bool resolve(HMODULE module);
};

}  // namespace qev::vpnr
