#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <memory>
#include <string>

#include "datapath/context/qev_algo_param_cntx.h"

namespace qev::datapath {

// The process-wide cache of shared parameter contexts by endpoint id (compared without case). It
// holds weak references only: once every handle of an endpoint has let go, the next lookup builds
// a new context read afresh from the store. Lookups are serialised by the cache's own lock, which
// is held while a context is built.
class ParamContextCache {
public:
    // The endpoint's shared context. `device` is the endpoint when the caller has it; otherwise it
    // is looked up by id.
    static std::shared_ptr<QevAlgoParamCntx> Lookup(const std::wstring& endpoint_id, IMMDevice* device = nullptr);
};

}  // namespace qev::datapath
