#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "datapath/context/apo_reg_control.h"
#include "datapath/context/param_subscription.h"
#include "datapath/context/qev_algo_param_cntx.h"

namespace qev::datapath {

// Per-handle state. Destruction ends the subscription first, then lets go of the shared
// parameter context and the holder.
struct QevDataPathCntx {
    static constexpr uint32_t kStatusCreated = 7;
    static constexpr uint32_t kStatusStarted = 2;
    static constexpr uint32_t kStatusStopped = 1;
    static constexpr uint32_t kDirectionUnset = 2;

    uint32_t handle = 0;
    std::string device_name;
    uint32_t direction = kDirectionUnset;  // 0 capture, 1 render, 2 before Config
    std::wstring device_id;
    uint32_t status = kStatusCreated;
    std::unique_ptr<APORegControl> holder;
    std::shared_ptr<QevAlgoParamCntx> params;
    ParamSubscription subscription;
};

}  // namespace qev::datapath
