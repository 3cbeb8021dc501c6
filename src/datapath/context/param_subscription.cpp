#include "datapath/context/param_subscription.h"

#include <utility>

namespace qev::datapath {

ParamSubscription::ParamSubscription(std::shared_ptr<QevAlgoParamCntx> context, QevAlgoParamCntx::Subscriber subscriber,
                                     void* opaque)
    : context_(std::move(context))
{
    if (context_) {
        token_ = context_->subscribe(std::move(subscriber), opaque);
    }
}

ParamSubscription::~ParamSubscription()
{
    reset();
}

ParamSubscription::ParamSubscription(ParamSubscription&& other) noexcept
    : context_(std::exchange(other.context_, nullptr)), token_(std::exchange(other.token_, 0))
{}

ParamSubscription& ParamSubscription::operator=(ParamSubscription&& other) noexcept
{
    if (this != &other) {
        reset();
        context_ = std::exchange(other.context_, nullptr);
        token_ = std::exchange(other.token_, 0);
    }
    return *this;
}

void ParamSubscription::reset()
{
    if (context_) {
        context_->unsubscribe(token_);
        context_.reset();
        token_ = 0;
    }
}

}  // namespace qev::datapath
