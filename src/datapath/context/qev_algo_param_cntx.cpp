#include "datapath/context/qev_algo_param_cntx.h"

#include <utility>

#include "datapath/context/read_context_from_store.h"

namespace qev::datapath {

QevAlgoParamCntx::QevAlgoParamCntx(IMMDevice* device) : holder_(device)
{
    const std::string algorithm = ReadContextFromStore(holder_);
    uint32_t level = 0;  // stays 0 when the read fails
    holder_.getProperties("nr_level", &level);
    // Nobody can have subscribed yet: nothing is announced.
    const std::lock_guard<std::mutex> lock(values_mutex_);
    algo_name_ = algorithm;
    nr_level_ = level;
    bypass_ = false;
}

std::string QevAlgoParamCntx::algo_name() const
{
    const std::lock_guard<std::mutex> lock(values_mutex_);
    return algo_name_;
}

uint32_t QevAlgoParamCntx::nr_level() const
{
    const std::lock_guard<std::mutex> lock(values_mutex_);
    return nr_level_;
}

bool QevAlgoParamCntx::bypass() const
{
    const std::lock_guard<std::mutex> lock(values_mutex_);
    return bypass_;
}

void QevAlgoParamCntx::set_algo_name(const std::string& name)
{
    {
        const std::lock_guard<std::mutex> lock(values_mutex_);
        algo_name_ = name;
    }
    notify("algo_name");
}

void QevAlgoParamCntx::set_nr_level(uint32_t level, bool notify_subscribers)
{
    {
        const std::lock_guard<std::mutex> lock(values_mutex_);
        nr_level_ = level;
    }
    if (notify_subscribers) {
        notify("nr_level");
    }
}

void QevAlgoParamCntx::set_bypass(bool bypass)
{
    const std::lock_guard<std::mutex> lock(values_mutex_);
    bypass_ = bypass;
}

QevAlgoParamCntx::Token QevAlgoParamCntx::subscribe(Subscriber subscriber, void* context)
{
    const std::lock_guard<std::mutex> lock(subscribers_mutex_);
    const Token token = next_token_++;
    subscribers_.emplace(token, Subscription{std::move(subscriber), context});
    return token;
}

void QevAlgoParamCntx::unsubscribe(Token token)
{
    const std::lock_guard<std::mutex> lock(subscribers_mutex_);
    subscribers_.erase(token);
}

void QevAlgoParamCntx::notify(const std::string& name) const
{
    const std::lock_guard<std::mutex> lock(subscribers_mutex_);
    for (const auto& [token, subscription] : subscribers_) {
        if (subscription.subscriber) {
            subscription.subscriber(name, subscription.context);
        }
    }
}

}  // namespace qev::datapath
