#pragma once

#include <memory>

#include "datapath/context/qev_algo_param_cntx.h"

namespace qev::datapath {

// One subscription to a shared parameter context, ended when this object is reset, reassigned
// or destroyed. It keeps the context alive while subscribed.
class ParamSubscription {
public:
    ParamSubscription() = default;
    ParamSubscription(std::shared_ptr<QevAlgoParamCntx> context, QevAlgoParamCntx::Subscriber subscriber, void* opaque);
    ~ParamSubscription();

    ParamSubscription(ParamSubscription&& other) noexcept;
    ParamSubscription& operator=(ParamSubscription&& other) noexcept;
    ParamSubscription(const ParamSubscription&) = delete;
    ParamSubscription& operator=(const ParamSubscription&) = delete;

    void reset();
    bool active() const { return context_ != nullptr; }

private:
    std::shared_ptr<QevAlgoParamCntx> context_;
    QevAlgoParamCntx::Token token_ = 0;
};

}  // namespace qev::datapath
